// The login screen's close-out over the shared connection.
#include "session/CloseOut.h"

namespace quorvel::session {

bool CloseOutSession(store::publicVar& pv) {
    const auto takings = MakeConnTakings(pv);
    return CloseOutSession(pv, *takings);
}

}  // namespace quorvel::session
