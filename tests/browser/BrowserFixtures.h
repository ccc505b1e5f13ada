#pragma once
// Image files for the browser tests, made by ImageMagick's `convert` when it is installed
// (an independent writer), else by Qt's image writers.

#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>

#include <functional>

namespace browsertest {

// Writes a w x h image of one colour to `path`; the format follows the extension.
bool MakeImage(const QString &path, int w, int h, const QColor &color = QColor(200, 40, 10));
// Processes events until `done` holds or `ms` have passed; what `done` says at the end. The
// bound only stops a hang: a loaded machine under the sanitizers may need most of it.
bool WaitFor(const std::function<bool()> &done, int ms = 60000);

}  // namespace browsertest
