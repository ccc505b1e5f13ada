#pragma once
// The services a lower layer declares and a higher layer implements: a default
// instance answers quietly (or acts directly) until an implementation is installed
// at start-up; tests install recording ones.

namespace General {

template <class T>
class Installable {
public:
    // The installed instance (the default one while none is installed).
    static T &Get() { return *Slot(); }
    // Installs `instance` (not owned); null restores the default.
    static void Install(T *instance) { Slot() = instance ? instance : &Default(); }

private:
    static T &Default()
    {
        static T instance;
        return instance;
    }
    static T *&Slot()
    {
        static T *slot = &Default();
        return slot;
    }
};

}  // namespace General
