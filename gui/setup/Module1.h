// Shared values of the window program: the conditions of the last run set-up.
// They live as long as the program and are overwritten when new values come.
// The spectrum tables and the model's operations of the same module are in
// XrayTubeModel.h.
#pragma once

namespace Module1 {

inline double focusSkinDistance = 0; // cm
inline double fieldLength = 0;       // cm, along the patient
inline double fieldWidth = 0;        // cm, across the patient
inline double photonCount = 0;       // histories
// 1 constant potential, 2 three-phase 12-peak, 3 single-phase full-wave.
inline int RectificationMode = 1;
inline double kermaRatio = 0;
inline double kermaRateAt100cm = 0; // Gy/min at 100 cm from the focus

} // namespace Module1
