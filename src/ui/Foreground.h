#pragma once
// A window the owner has just opened comes up in front of whatever the guest's desktop
// holds, with the keyboard focus, as the lock does.
#include <QWidget>

#include "platform/Instance.h"

namespace quorvel::ui {

// How often, and how many times, ShowInFront asks again.
inline constexpr int kInFrontRetryMs = 50;
inline constexpr int kInFrontTries = 40;

// Shows the window raised and asks for the keyboard focus; then, until the window has
// it, asks the window manager again every kInFrontRetryMs as the user's own request
// (Instance::BringToFront), at most kInFrontTries times. A window manager may map a new
// window under the one the user worked in last and leave the focus there: the guest's
// maximised browser would then get what the administrator types.
void ShowInFront(QWidget& window, platform::Instance& instance);

}  // namespace quorvel::ui
