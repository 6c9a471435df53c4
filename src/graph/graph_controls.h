#pragma once
// Puts the graph controls behind the layout tags "Curve", "CurveAc" and "CircleProgress".

namespace tonvia::graph {

void RegisterGraphControls();

}  // namespace tonvia::graph
