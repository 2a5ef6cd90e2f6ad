// What makes two comments name the same sample: the text without spaces at its
// ends, compared without regard to letter case (Latin and Cyrillic).
#pragma once

#include <string>
#include <string_view>

namespace kalora::samples {

// The comment without blanks (spaces, tabs, line breaks) at either end.
std::string_view trimmed(std::string_view utf8);

// The trimmed comment in lower case: equal keys, one sample. Letters outside the
// Latin and Cyrillic alphabets are kept as they are.
std::string comment_key(std::string_view utf8);

}  // namespace kalora::samples
