#pragma once
// The splash picture shown while the interactive program starts: from before the main
// window is built until the window takes over. Never in the batch road, nor where nothing
// can be seen (the offscreen and minimal platforms).

#include <QString>

class QWidget;

namespace Splash {

void Show();
// A line on the picture, left-aligned, in black.
void Message(const QString &text);
// Hides the picture once `window` is shown, and lets it go.
void Finish(QWidget *window);
bool IsShown();

}  // namespace Splash
