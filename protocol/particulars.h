// The particulars a test protocol carries: who tested, with what instrument, on which
// object. The laboratory's and the instrument's are the same for every database; the
// object's belong to one database.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kalora::protocol {

enum class Scope { laboratory, object };

struct Field {
  std::string_view key;    // in the settings store and in kalora-cli's --protocol file
  std::string_view label;  // in the dialog and on the printed pages
  Scope scope;
};

inline constexpr std::array<Field, 13> fields{{
    {"organisation", "Испытательная лаборатория", Scope::laboratory},
    {"organisation_address", "Адрес лаборатории", Scope::laboratory},
    {"accreditation", "Аттестат аккредитации №", Scope::laboratory},
    {"customer", "Заказчик", Scope::object},
    {"object", "Объект", Scope::object},
    {"object_address", "Адрес объекта", Scope::object},
    {"element", "Ограждающая конструкция", Scope::object},
    {"sensor_place", "Место установки датчиков", Scope::object},
    {"instrument", "Прибор (тип, заводской №)", Scope::laboratory},
    {"verification", "Свидетельство о поверке (№, дата)", Scope::laboratory},
    {"operator", "Исполнитель", Scope::laboratory},
    {"protocol_number", "Номер протокола", Scope::object},
    {"protocol_date", "Дата протокола", Scope::object},
}};

struct Particulars {
  std::array<std::string, fields.size()> values;

  // The value of a field by its key; an unknown key is a programming error.
  const std::string& operator[](std::string_view key) const;
  std::string& operator[](std::string_view key);
};

// The field's place in `fields`, or fields.size() for an unknown key.
std::size_t field_index(std::string_view key);

// "ПРОТОКОЛ ИСПЫТАНИЙ № 12 от 09.12.2026"; empty ones as lines to fill by hand.
std::string protocol_heading(const Particulars& p);
// "Label: value" for every field but the number and date of the heading.
std::vector<std::string> particulars_lines(const Particulars& p);
// The places for the signatures at the end of a protocol.
std::vector<std::string> signature_lines(const Particulars& p);

// A text object of string values under the keys above, as kalora-cli reads it.
struct ParticularsParse {
  Particulars particulars;
  std::string error;  // empty when it reads
};
ParticularsParse parse_particulars_json(std::string_view text);

}  // namespace kalora::protocol
