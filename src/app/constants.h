#pragma once
// Product constants, compiled in: printed to the log at start and shown in the main window.

inline constexpr char MODEL_NAME[] = "PVQ-6";
inline constexpr int MODEL_ID = 77;
inline constexpr char VERSION[] = "v6.8.7";
inline constexpr int INNER_FW_MAJOR = 2;
inline constexpr int INNER_FW_MINOR = 28;

// The amplifier's USB identity.
inline constexpr unsigned short DEVICE_VENDOR_ID = 0x0483;
inline constexpr unsigned short DEVICE_PRODUCT_ID = 0x5750;

// Format of the single-instance lock name, completed with MODEL_NAME.
inline constexpr char INSTANCE_MUTEX_FORMAT[] = "TONVIA4TO8_%s";
