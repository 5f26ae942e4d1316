#pragma once
// Everything the browser watch asks of an accessibility bus, as one small interface:
// the watch's logic (which windows are browsers', which bar is whose, when and how a
// bar is typed over) lives once in BrowserWatch, whichever bus answers it. The bus is
// the program's own session's (AtspiBrowserBus) or, on a cafe PC where the browsers
// run as the guest's account, the guest's, asked through the agent in the guest's
// session (RemoteBrowserBus).
//
// Objects are opaque ids owned by the bus. The same accessible object gives the same id
// for as long as anyone holds it (the watch tells its windows apart by id), and every
// id an answer hands out is held once more until it is given back with Release. An id
// the bus does not know fails every call.
//
// Every answer is empty when the call failed; the watch measures how long each took
// (a call that runs out the time limit marks its browser hung).
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/X11Input.h"

namespace quorvel::platform::atspi {

// An accessible object held from a bus; 0 is none.
using ObjectId = std::uint64_t;

// The states the watch asks about.
enum class ObjectState { Focused, Editable };

class BrowserBus {
  public:
    virtual ~BrowserBus() = default;

    // Whether the accessibility bus can be reached; when it can, no call waits longer
    // than `callLimit` from then on (the latest asker's limit holds). Every call fails
    // before.
    virtual bool Reachable(std::chrono::milliseconds callLimit) = 0;
    // The desktop's applications.
    virtual std::optional<std::vector<ObjectId>> Applications() = 0;
    virtual std::optional<int> ChildCount(ObjectId object) = 0;
    // Empty also when there is no child there.
    virtual std::optional<ObjectId> ChildAt(ObjectId object, int index) = 0;
    // An application's or a window's accessible name.
    virtual std::optional<std::string> Name(ObjectId object) = 0;
    // The process of the application that made the object.
    virtual std::optional<std::uint32_t> ProcessId(ObjectId object) = 0;
    // Whether the object is a frame (a top-level window).
    virtual std::optional<bool> IsFrame(ObjectId object) = 0;
    // Whether the object carries the attribute `name` with the value `value`.
    virtual std::optional<bool> HasAttribute(ObjectId object, const std::string& name,
                                             const std::string& value) = 0;
    // The first object inside `object` (at any depth) carrying the attribute `name`
    // with the value `value`, found with one call; 0 when there is none.
    virtual std::optional<ObjectId> FindDescendant(ObjectId object, const std::string& name,
                                                   const std::string& value) = 0;
    // The whole text of a text object (an address bar).
    virtual std::optional<std::string> Text(ObjectId object) = 0;
    // The address of the page the window `frame` shows, as its first showing web
    // document tells it in its document attribute `attribute`; empty when the window
    // shows no document or the document tells none.
    virtual std::optional<std::string> PageAddress(ObjectId frame,
                                                   const std::string& attribute) = 0;
    // Where the object is on the screen.
    virtual std::optional<ScreenRect> Extents(ObjectId object) = 0;
    virtual bool GrabFocus(ObjectId object) = 0;
    virtual std::optional<bool> HasState(ObjectId object, ObjectState state) = 0;
    // Gives back one hold of `object`; the bus forgets it after the last.
    virtual void Release(ObjectId object) = 0;
    // Runs what the bus has put off (the library's messages for its main loop, ids
    // given back).
    virtual void Dispatch() = 0;
    // Switches the desktop's accessibility on (or leaves it on), waiting `limit` at
    // most; true when it is on afterwards.
    virtual bool SwitchOn(std::chrono::milliseconds limit) = 0;
    // True once the bus is gone for good (the accessibility bus or its launcher ended,
    // or the agent that answered for it stopped or hung up): every call fails from then
    // on, at once.
    virtual bool Lost() const { return false; }
};

}  // namespace quorvel::platform::atspi
