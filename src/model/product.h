#pragma once
// Product constants, compiled in: printed to the log at start and shown in the main window.
// The amplifier's USB ids belong to the link (link/hid_device.h).

inline constexpr char MODEL_NAME[] = "PVQ-6";
inline constexpr int MODEL_ID = 77;
inline constexpr char VERSION[] = "v6.8.7";
inline constexpr int INNER_FW_MAJOR = 2;
inline constexpr int INNER_FW_MINOR = 28;

// Format of the single-instance lock name, completed with MODEL_NAME.
inline constexpr char INSTANCE_MUTEX_FORMAT[] = "TONVIA4TO8_%s";
