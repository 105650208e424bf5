// SPDX-License-Identifier: MIT
#pragma once

#include <atspi/atspi.h>

#include <memory>

namespace tandrel::linuxdesktop {

// Owning pointers for what GLib and libatspi hand over to us, so every release happens in one
// place and on every path. Each deleter accepts a null pointer.
struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object)
            g_object_unref(object);
    }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct GErrorFree {
    void operator()(GError* error) const {
        if (error)
            g_error_free(error);
    }
};
struct GHashTableUnref {
    void operator()(GHashTable* table) const {
        if (table)
            g_hash_table_unref(table);
    }
};
struct GArrayFree {
    void operator()(GArray* array) const {
        if (array)
            g_array_free(array, TRUE);
    }
};
struct AtspiEventFree {
    void operator()(AtspiEvent* event) const {
        if (event)
            g_boxed_free(ATSPI_TYPE_EVENT, event);
    }
};

// A GObject (accessibles, interfaces, state sets, listeners) on which we hold one reference.
template <class T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
// Memory from g_malloc: strings, points, rectangles, ranges.
template <class T> using GMallocPtr = std::unique_ptr<T, GFree>;
using GCharPtr = GMallocPtr<gchar>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GHashTablePtr = std::unique_ptr<GHashTable, GHashTableUnref>;
using GArrayPtr = std::unique_ptr<GArray, GArrayFree>;
using AtspiEventPtr = std::unique_ptr<AtspiEvent, AtspiEventFree>;

} // namespace tandrel::linuxdesktop
