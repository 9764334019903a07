// Shared values of the window program: the conditions of the last run set-up.
// They live as long as the program and are overwritten when new values come.
// The spectrum tables, the kerma ratio and the output at 100 cm, with the
// model's operations of the same module, are in XrayTubeModel.h.
#pragma once

#include "logic/RoomLayout.h"

#include <optional>

namespace Module1 {

inline double focusSkinDistance = 0; // cm
inline double fieldLength = 0;       // cm, along the patient
inline double fieldWidth = 0;        // cm, across the patient
inline double photonCount = 0;       // histories
// 1 constant potential, 2 three-phase 12-peak, 3 single-phase full-wave.
inline int RectificationMode = 1;

// The room layout in use; empty until the first "設定終了" or layout file load.
inline std::optional<RoomLayout> roomLayout;

} // namespace Module1
