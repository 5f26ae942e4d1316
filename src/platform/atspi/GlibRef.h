#pragma once
// Owning handles for what GLib and the accessibility library hand out: every object
// reference, error, string, table and array is released by its owner's destructor.
#include <glib-object.h>

#include <memory>

namespace quorvel::platform::atspi {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
// One reference to a GObject (an AtspiAccessible, a match rule, a state set ...).
template <class T>
using Ref = std::unique_ptr<T, ObjectUnref>;

// A second reference to the object `ref` holds.
template <class T>
Ref<T> Share(const Ref<T>& ref) {
    return Ref<T>(ref ? static_cast<T*>(g_object_ref(ref.get())) : nullptr);
}

struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using Error = std::unique_ptr<GError, ErrorFree>;

// Collects the GError a call reports: `Call(..., failure.out())`.
class Failure {
  public:
    GError** out() { return &error_; }
    explicit operator bool() const { return error_ != nullptr; }
    ~Failure() {
        if (error_ != nullptr) g_error_free(error_);
    }

  private:
    GError* error_ = nullptr;
};

struct Free {
    void operator()(gpointer data) const { g_free(data); }
};
using String = std::unique_ptr<gchar, Free>;

struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
using HashTable = std::unique_ptr<GHashTable, HashTableUnref>;

// An array of object references, as the accessibility library returns a search's
// results: each element and the array are released together.
struct ObjectArrayFree {
    void operator()(GArray* array) const {
        for (guint i = 0; i < array->len; ++i) {
            if (gpointer object = g_array_index(array, gpointer, i)) g_object_unref(object);
        }
        g_array_free(array, TRUE);
    }
};
using ObjectArray = std::unique_ptr<GArray, ObjectArrayFree>;

// An array of plain values (roles, states) handed to the library.
struct ArrayFree {
    void operator()(GArray* array) const { g_array_free(array, TRUE); }
};
using Array = std::unique_ptr<GArray, ArrayFree>;

struct MainContextUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
};
using MainContext = std::unique_ptr<GMainContext, MainContextUnref>;

}  // namespace quorvel::platform::atspi
