// What every window of the program owes its user: it fits the screen it opens on
// (its content scrolls where the screen is smaller than the content needs), it keeps
// its size and place between runs, and Return in a text field presses no button.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace kalora::views {

// Called once the window's layout is built: with `scroll` the layout's content goes
// into a scroll area (a window that scrolls its own content, as the preview does,
// needs none), the window gets `wanted` or the screen's available area if that is
// smaller, and no push button of it, now or added later, is a default button.
enum class Scroll { content, none };
void fit_window(QWidget& window, QSize wanted, Scroll scroll = Scroll::content);

// The window's size and place as a text for the settings store, and back: a stored
// place is clamped to the screens there are now. False when the text is none of ours.
QString window_place(const QWidget& window);
bool restore_window_place(QWidget& window, const QString& text);

}  // namespace kalora::views
