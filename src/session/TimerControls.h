#pragma once
// The rules behind the timer window's own controls: the alarm choice, the
// quick-launch programs and the product's page.
#include <string>

#include "store/ienann.h"

namespace quorvel::store {
class publicVar;
}

namespace quorvel::session {

inline constexpr const char* kAlarmOn = "Alarm On";
inline constexpr const char* kAlarmOff = "Alarm Off";

// The alarm box's choice into Remind: "1" for "Alarm On", "0" for "Alarm Off", any
// other text stores nothing. Only recorded: nothing sounds an alarm.
void StoreAlarmChoice(const store::publicVar& pv, const std::string& choice);

// FillQuickLaunch's list: the programs' names as the store enumerates them.
const store::NameList& LoadQuickLaunch(store::publicVar& pv);

// Show state of a quick-launch program: minimized and active, where the system can
// start a program so.
inline constexpr int kShowMinimized = 2;

// Starts the program stored under `name`. False when there is none or it could not
// be started; nothing is said to the guest either way.
bool LaunchProgram(const store::publicVar& pv, const std::string& name);

// The product's page that "About Quorvel" opens. Its host is a name under ".example",
// the name reserved for documentation, like the blocked page's: a deployment that
// has a real page of its own puts it here.
inline constexpr const char* kProductPage = "http://www.quorvel.example/";

}  // namespace quorvel::session
