// The login screen's close-out over the shared connection; left out of builds without
// the data file's library.
#include "session/CloseOut.h"

namespace quorvel::session {

void CloseOutSession(store::publicVar& pv) {
    const auto takings = MakeConnTakings(pv);
    CloseOutSession(pv, *takings);
}

}  // namespace quorvel::session
