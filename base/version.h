// The version every program of the project reports.
#pragma once

inline constexpr const char* orbiskVersion = "1.0";
