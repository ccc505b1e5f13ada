#pragma once
// The wait or busy cursor for the length of one scope.

#include <QApplication>

class BusyCursor {
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::BusyCursor) { QApplication::setOverrideCursor(shape); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
