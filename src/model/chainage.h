#pragma once
// Chainage in the railway's own form ("km 73+450"), and the chainage of a
// position along the line from the references of records 81 to 83. Both
// author tools write chainage through here, so that it reads the same in
// the compiler's messages and in the inspector's report.

#include <cstdint>
#include <optional>
#include <string>

#include "model/records.h"

/// 73450 gives "km 73+450"; -100 gives "km -0+100".
std::string kilometre_text(int64_t metres);

/// The chainage at a position, in words, or none when the line has no
/// reference. With two references at different positions the direction of
/// the kilometres is known and the chainage is computed ("km 67+500"); with
/// one, only the distance from it can be told honestly ("5950 m beyond the
/// reference km 73+450").
std::optional<std::string> chainage_at(const RecordTable& voci, int32_t posizione);
