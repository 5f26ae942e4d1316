#include "session/TimerControls.h"

#include "store/publicVar.h"

namespace quorvel::session {

using platform::kHkeyCurrentUser;

void StoreAlarmChoice(const store::publicVar& pv, const std::string& choice) {
    const char* remind = choice == kAlarmOff ? "0" : choice == kAlarmOn ? "1" : nullptr;
    if (!remind) return;
    pv.settings.WriteSetting(kHkeyCurrentUser, store::kTimersKey, "Remind", remind,
                             static_cast<std::int32_t>(platform::kRegSz));
}

const store::NameList& LoadQuickLaunch(store::publicVar& pv) {
    pv.LoadProgramList(kHkeyCurrentUser, store::kProgramsKey);
    return pv.ProgramList;
}

bool LaunchProgram(const store::publicVar& pv, const std::string& name) {
    const std::string path =
        pv.settings.ReadSetting(kHkeyCurrentUser, store::kProgramsKey, name).ToDisplayText();
    if (path.empty()) return false;
    return pv.os.shell.StartProgram(path, kShowMinimized);
}

}  // namespace quorvel::session
