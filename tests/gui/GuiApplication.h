#pragma once
// One QApplication on the offscreen platform for the whole widget test run.

#include <QApplication>
#include <QWidget>

#include <functional>

namespace guitest {

QApplication *Application();

// Runs `answer` on the next modal window that opens (a message box, a file chooser)
// from inside its event loop; the answer must close it.
void AnswerNextModal(std::function<void(QWidget *)> answer);

}  // namespace guitest
