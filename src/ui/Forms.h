#pragma once
// Window lifetime: each window exists at most once, is created on first reference
// and destroyed when unloaded, so every opening starts from fresh controls.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>

#include "store/publicVar.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"
#include "ui/Navigation.h"

namespace quorvel::ui {

class Forms;

// What every window is built with.
struct App {
    store::publicVar& pv;
    MessageBoxes& msg;
    FileDialogs& files;
    Forms& forms;
};

class Forms {
  public:
    explicit Forms(App& app) : app_(app) {}
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;
    ~Forms();

    // The window, created (and its load handler run by its constructor) on first use.
    template <class T>
    T& Get() {
        auto it = windows_.find(typeid(T));
        if (it == windows_.end() || it->second.isNull())
            it = windows_.insert_or_assign(typeid(T), QPointer<QWidget>(new T(app_))).first;
        return static_cast<T&>(*it->second);
    }
    template <class T>
    bool IsLoaded() const {
        const auto it = windows_.find(typeid(T));
        return it != windows_.end() && !it->second.isNull();
    }
    // Stops the window's timers, hides it and destroys it once control returns to the
    // event loop, so an unload from inside one of its own handlers is safe.
    template <class T>
    void Unload() {
        const auto it = windows_.find(typeid(T));
        if (it == windows_.end()) return;
        QPointer<QWidget> window = it->second;
        windows_.erase(it);
        Destroy(window);
        if (onAllUnloaded_ && !AnyLoaded()) onAllUnloaded_();
    }
    // True while any window is loaded; the program ends when none is.
    bool AnyLoaded() const;
    // Called when an unload leaves no window loaded (main ends the program there).
    void OnAllUnloaded(std::function<void()> handler) { onAllUnloaded_ = std::move(handler); }
    // The status the program ends with once no window is left (startup/ExitStatus.h);
    // a window that ends the program for a reason sets it before its unload.
    void SetExitStatus(int status) { exitStatus_ = status; }
    int ExitStatus() const { return exitStatus_; }
    // Where a window goes next (ui/Navigation.h); start-up sets it before the first
    // window opens.
    void SetNavigation(Navigation& navigation) { navigation_ = &navigation; }
    Navigation& Navigate() const;

  private:
    static void Destroy(QPointer<QWidget> window);
    App& app_;
    std::map<std::type_index, QPointer<QWidget>> windows_;
    std::function<void()> onAllUnloaded_;
    int exitStatus_ = 0;
    Navigation* navigation_ = nullptr;
};

}  // namespace quorvel::ui
