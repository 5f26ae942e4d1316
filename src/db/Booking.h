#pragma once
// What a booking of a session into its day's totals came to. Kept apart from the data
// file's statements, so that the session rules name it without including them.

namespace quorvel::db {

enum class Booking {
    Booked,         // the day's row now counts this session
    AlreadyBooked,  // an earlier booking of the same session stands; nothing was added
    Failed,         // nothing was added (no data file, or the data file refused)
};

}  // namespace quorvel::db
