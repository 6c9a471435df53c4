#pragma once
// The password of the firmware packages carried in the program and of the packages a user
// chooses: shared by the build-time packer and the program.

namespace tonvia::firmware {

inline constexpr char kPackagePassword[] = "amber-tide-lamps";
static_assert(sizeof(kPackagePassword) - 1 == 16);

}  // namespace tonvia::firmware
