#include "mainpage/distances_wnd.h"

#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <cmath>
#include <optional>

#include "dialogs/dialog_common.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "ui/skin_resources.h"

namespace tuning = tonvia::tuning;
using tonvia::mainpage::At;
using tonvia::mainpage::FillMarks;

namespace {

constexpr double kCmPerInch = 2.54;

// A distance as typed: blank is none; a comma may stand for the decimal point.
std::optional<std::optional<double>> ReadDistance(QString text) {
    text = text.trimmed();
    if (text.isEmpty()) {
        return std::optional<double>();
    }
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !std::isfinite(value) || value < 0.0) {
        return std::nullopt;
    }
    return std::optional<double>(value);
}

QString DistanceText(double value) {
    return QLocale::c().toString(std::round(value * 10.0) / 10.0, 'g', 7);
}

}  // namespace

CDistancesWnd::CDistancesWnd(EqualizerManager& owner) : mOwner(owner) {}

void CDistancesWnd::OnInit() {
    // The page's unit; its milliseconds say nothing about distance, so centimetres then.
    mUnit = mOwner.Unit() == DelayUnit::Inches ? tuning::DistanceUnit::Inches
                                               : tuning::DistanceUnit::Centimetres;
    const bool inches = mUnit == tuning::DistanceUnit::Inches;
    const SceneConfig& live = mOwner.Live();
    const auto& last = mOwner.LastDistances();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        FindControl(QStringLiteral("position_%1").arg(ch))
            .SetText(QLatin1String(PositionButtonText(live.outputs[At(ch)])));
        FindControl(QStringLiteral("unit_%1").arg(ch))
            .SetText(inches ? QStringLiteral("inch") : QStringLiteral("cm"));
        auto* edit = FindControl(QStringLiteral("distance_%1").arg(ch)).As<QLineEdit>();
        if (edit == nullptr) {
            continue;
        }
        const std::optional<double>& cm = last[At(ch)];
        edit->setText(cm ? DistanceText(inches ? *cm / kCmPerInch : *cm) : QString());
        // A bridged pair plays one speaker: its left channel's distance counts.
        const bool follower = ch % 2 == 1 && live.bridgeOutputs[At(ch / 2)] != 0;
        edit->setEnabled(!follower);
        edit->setPlaceholderText(
            follower ? FillMarks(QStringLiteral("${distances_bridged}"), {QString::number(ch)})
                     : QString());
        if (follower) {
            edit->clear();
        }
    }
    ShowDelays();
    tonvia::dialogs::FitWindowToContents(*this);
}

void CDistancesWnd::ShowDelays() {
    const SceneConfig& live = mOwner.Live();
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        FindControl(QStringLiteral("delay_now_%1").arg(ch))
            .SetText(QStringLiteral("%1 ms").arg(live.channels[At(ch)].delay, 0, 'f', 3));
    }
}

void CDistancesWnd::ShowReport(const QString& text, bool error) {
    UiControl report = FindControl(QStringLiteral("report_text"));
    if (QWidget* label = report.Widget()) {
        label->setProperty("role", error ? QStringLiteral("error") : QStringLiteral("report"));
        label->style()->unpolish(label);
        label->style()->polish(label);
    }
    report.SetText(text);
    report.SetVisible(!text.isEmpty());
    tonvia::dialogs::FitWindowToContents(*this);
}

bool CDistancesWnd::Apply() {
    tuning::SpeakerDistances distances{};
    bool any = false;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        UiControl edit = FindControl(QStringLiteral("distance_%1").arg(ch));
        if (!edit.IsEnabled()) {
            continue;
        }
        const auto distance = ReadDistance(edit.GetText());
        if (!distance) {
            ShowReport(FillMarks(QStringLiteral("${distances_invalid}"),
                                 {QString::number(ch + 1),
                                  FindControl(QStringLiteral("unit_%1").arg(ch)).GetText()}),
                       true);
            edit.SetFocusSelectAll();
            return false;
        }
        distances[At(ch)] = *distance;
        any = any || distance->has_value();
    }
    if (!any) {
        ShowReport(tonvia::ui::Translate(QStringLiteral("${distances_none}")), true);
        return false;
    }
    auto& last = mOwner.LastDistances();
    const double toCm = mUnit == tuning::DistanceUnit::Inches ? kCmPerInch : 1.0;
    for (int ch = 0; ch < kOutChannelCount; ++ch) {
        const std::optional<double>& d = distances[At(ch)];
        last[At(ch)] = d ? std::optional<double>(*d * toCm) : std::nullopt;
    }
    const tuning::DistanceAlignment alignment =
        tuning::AlignSpeakerDistances(mOwner.Session(), distances, mUnit);
    if (alignment.edit.refused) {
        ShowReport(tonvia::ui::Translate(QStringLiteral("${distances_none}")), true);
        return false;
    }
    LogPrintA("speaker distances applied: %s\n",
              alignment.report.empty() ? "" : alignment.report.front().c_str());
    mOwner.ShowEdit(alignment.edit);
    ShowDelays();
    QStringList lines{tonvia::ui::Translate(QStringLiteral("${distances_applied}"))};
    for (const std::string& line : alignment.report) {
        lines << QString::fromStdString(line);
    }
    ShowReport(lines.join(QLatin1Char('\n')), false);
    return true;
}

void CDistancesWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("btn_apply")) {
        Apply();
        return;
    }
    if (name == QLatin1String("btn_clear")) {
        for (int ch = 0; ch < kOutChannelCount; ++ch) {
            if (auto* edit = FindControl(QStringLiteral("distance_%1").arg(ch)).As<QLineEdit>()) {
                edit->clear();
            }
        }
        ShowReport(QString(), false);
        return;
    }
    DialogImplBase::OnClick(msg);
}
