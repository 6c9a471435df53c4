#include "graph/graph_controls.h"

#include "graph/equalizer.h"
#include "graph/equalizer_ac.h"
#include "graph/response_chart.h"
#include "ui/control_factory.h"

namespace tonvia::graph {

void RegisterGraphControls() {
    tonvia::ui::RegisterControlFactory(QStringLiteral("Curve"),
                                       [](QWidget* parent) { return new UIEqualizer(parent); });
    tonvia::ui::RegisterControlFactory(QStringLiteral("CurveAc"),
                                       [](QWidget* parent) { return new UIEqualizerAc(parent); });
    tonvia::ui::RegisterControlFactory(QStringLiteral("CircleProgress"), [](QWidget* parent) {
        return new CCircleProgressUI(parent);
    });
    tonvia::ui::RegisterControlFactory(QStringLiteral("ResponseChart"),
                                       [](QWidget* parent) { return new ResponseChart(parent); });
}

}  // namespace tonvia::graph
