#pragma once
// The password of the skin package: shared by the build-time packer and the program.

namespace tonvia::ui {

inline constexpr char kSkinPassword[] = "amber-river-stones";
static_assert(sizeof(kSkinPassword) - 1 == 18);

}  // namespace tonvia::ui
