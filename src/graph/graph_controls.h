#pragma once
// Puts the graph controls behind the layout tags "Curve", "CurveAc", "CircleProgress" and
// "ResponseChart".

namespace tonvia::graph {

void RegisterGraphControls();

}  // namespace tonvia::graph
