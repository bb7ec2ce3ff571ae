#pragma once

#include "window/WindowServices.h"

#include <QPointer>

namespace Larkspan {

// The single instance of a form: created on first reference with its
// design-time contents, destroyed by unload, created afresh at the next
// reference after that.
template<typename Form> class FormInstance
{
public:
    static Form *get()
    {
        if (!s_instance) {
            s_instance = new Form;
            WindowServices::instance().registerForm(s_instance, [] { s_instance = nullptr; });
        }
        return s_instance;
    }

    static bool exists() { return !s_instance.isNull(); }
    static Form *existing() { return s_instance; }

    static void unload()
    {
        if (s_instance)
            WindowServices::instance().unloadWindow(s_instance);
    }

private:
    static inline QPointer<Form> s_instance;
};

} // namespace Larkspan
