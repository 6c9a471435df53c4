#include "mainpage/eq_fit_wnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <cmath>

#include "dialogs/dialog_common.h"
#include "graph/response_chart.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "tuning/edits.h"
#include "ui/skin_resources.h"

namespace tuning = tonvia::tuning;
using tonvia::mainpage::At;
using tonvia::mainpage::FillMarks;

namespace {

// Measurement exports run to some tens of thousands of points: a few megabytes at most.
constexpr std::size_t kMaxResponseFileBytes = 16u << 20;
constexpr int kTargetFromFile = 2;

constexpr std::uint32_t kMeasuredColor = 0xFF4FA3F7;
constexpr std::uint32_t kTargetColor = 0xFFD7DBE0;
constexpr std::uint32_t kPredictedColor = 0xFFF2A23A;

QString Tr(const char* key) {
    return tonvia::ui::Translate(QLatin1String(key));
}

QString Number(double value, int decimals = -1) {
    return decimals < 0 ? QLocale::c().toString(value, 'g', 6)
                        : QLocale::c().toString(value, 'f', decimals);
}

// A number as typed; a comma may stand for the decimal point.
std::optional<double> ReadNumber(const UiControl& edit) {
    QString text = edit.GetText().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

ResponseChart::Series SeriesOf(const char* key, std::uint32_t color,
                               const std::vector<double>& frequencies,
                               const std::vector<double>& levels, bool dashed = false) {
    return {Tr(key), QColor::fromRgba(color), frequencies, levels, dashed};
}

}  // namespace

CEqFitWnd::CEqFitWnd(EqualizerManager& owner, int channel) : mOwner(owner), mChannel(channel) {}

void CEqFitWnd::OnInit() {
    const QString channel = QString::number(mChannel + 1);
    FindControl(QStringLiteral("MessageTitle"))
        .SetText(FillMarks(QStringLiteral("${eq_fit_title}"), {channel}));
    FindControl(QStringLiteral("btn_apply"))
        .SetText(FillMarks(QStringLiteral("${fit_apply}"), {channel}));
    const tuning::EqFitOptions defaults;
    FindControl(QStringLiteral("fit_low")).SetText(Number(defaults.lowHz));
    FindControl(QStringLiteral("fit_high")).SetText(Number(defaults.highHz));
    FindControl(QStringLiteral("fit_boost")).SetText(Number(defaults.maxBoostDb));
    if (auto* file = FindControl(QStringLiteral("measurement_file")).As<QLineEdit>()) {
        file->setPlaceholderText(Tr("${measurement_none}"));
    }
    if (auto* chart = FindControl(QStringLiteral("fit_chart")).As<ResponseChart>()) {
        chart->SetEmptyText(Tr("${fit_chart_empty}"));
        chart->SetRange(defaults.lowHz, defaults.highHz);
    }
    FindControl(QStringLiteral("btn_fit")).SetEnabled(false);
    FindControl(QStringLiteral("btn_apply")).SetEnabled(false);
    ShowTargetChoice();
    tonvia::dialogs::FitWindowToContents(*this);
}

void CEqFitWnd::ShowTargetChoice() {
    const bool file = FindControl(QStringLiteral("target_combo")).GetCurSel() == kTargetFromFile;
    FindControl(QStringLiteral("target_file")).SetVisible(file);
    FindControl(QStringLiteral("btn_target")).SetEnabled(file);
}

void CEqFitWnd::ShowStatus(const QString& text, bool error) {
    UiControl status = FindControl(QStringLiteral("fit_status"));
    if (QWidget* label = status.Widget()) {
        label->setProperty("role", error ? QStringLiteral("error") : QString());
        label->style()->unpolish(label);
        label->style()->polish(label);
    }
    status.SetText(text);
}

std::optional<tuning::Response> CEqFitWnd::ReadResponseFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const auto read = tonvia::platform::ReadRegularFile(path.toStdString(), kMaxResponseFileBytes);
    if (!read.bytes) {
        LogPrintA("response file %s: %s\n", path.toUtf8().constData(), read.error.c_str());
        ShowStatus(read.tooLarge  ? FillMarks(QStringLiteral("${file_too_large}"),
                                              {name, QStringLiteral("16 MiB")})
                   : read.missing ? FillMarks(QStringLiteral("${file_missing}"), {name})
                                  : FillMarks(QStringLiteral("${file_unreadable}"),
                                              {name, QString::fromStdString(read.error)}),
                   true);
        return std::nullopt;
    }
    tuning::ResponseRead response = tuning::ReadResponseText(*read.bytes);
    if (!response.response) {
        ShowStatus(FillMarks(QStringLiteral("${file_unreadable}"),
                             {name, QString::fromStdString(response.error)}),
                   true);
        return std::nullopt;
    }
    return std::move(response.response);
}

bool CEqFitWnd::LoadMeasurement(const QString& path) {
    std::optional<tuning::Response> measured = ReadResponseFile(path);
    if (!measured) {
        return false;
    }
    mMeasured = std::move(measured);
    mFit.reset();
    const QString name = QFileInfo(path).fileName();
    FindControl(QStringLiteral("measurement_file")).SetText(name);
    ShowMeasurementOnly();
    FindControl(QStringLiteral("btn_fit")).SetEnabled(true);
    FindControl(QStringLiteral("btn_apply")).SetEnabled(false);
    ShowStatus(FillMarks(QStringLiteral("${measurement_loaded}"),
                         {name, QString::number(mMeasured->frequencies.size()),
                          Number(mMeasured->frequencies.front(), 0),
                          Number(mMeasured->frequencies.back(), 0)}),
               false);
    return true;
}

void CEqFitWnd::ShowMeasurementOnly() {
    if (auto* chart = FindControl(QStringLiteral("fit_chart")).As<ResponseChart>()) {
        chart->SetSeries({SeriesOf("${curve_measured}", kMeasuredColor, mMeasured->frequencies,
                                   mMeasured->levels)});
    }
}

bool CEqFitWnd::LoadTarget(const QString& path) {
    std::optional<tuning::Response> target = ReadResponseFile(path);
    if (!target) {
        return false;
    }
    mTargetFile = std::move(target);
    const QString name = QFileInfo(path).fileName();
    FindControl(QStringLiteral("target_file")).SetText(name);
    FindControl(QStringLiteral("target_combo")).SelectItem(kTargetFromFile, false);
    ShowTargetChoice();
    ShowStatus(FillMarks(QStringLiteral("${target_loaded}"),
                         {name, QString::number(mTargetFile->frequencies.size())}),
               false);
    return true;
}

std::optional<tuning::Response> CEqFitWnd::Target() const {
    switch (FindControl(QStringLiteral("target_combo")).GetCurSel()) {
        case 0:
            return tuning::TargetResponse(tuning::BuiltInTarget::Flat);
        case 1:
            return tuning::TargetResponse(tuning::BuiltInTarget::Car);
        default:
            return mTargetFile;
    }
}

bool CEqFitWnd::Fit() {
    if (!mMeasured) {
        ShowStatus(Tr("${fit_no_measurement}"), true);
        return false;
    }
    const std::optional<tuning::Response> target = Target();
    if (!target) {
        ShowStatus(Tr("${fit_no_target}"), true);
        return false;
    }
    const auto low = ReadNumber(FindControl(QStringLiteral("fit_low")));
    const auto high = ReadNumber(FindControl(QStringLiteral("fit_high")));
    const auto boost = ReadNumber(FindControl(QStringLiteral("fit_boost")));
    if (!low || !high || !boost || *boost < 0.0) {
        ShowStatus(Tr("${fit_bad_numbers}"), true);
        return false;
    }
    tuning::EqFitOptions options;
    options.lowHz = *low;
    options.highHz = *high;
    options.maxBoostDb = *boost;
    options.bands = mOwner.Live().channels[At(mChannel)].eqSize;
    // About 150 ms in a release build: it runs here, under the busy cursor, rather than
    // on a worker.
    ShowStatus(Tr("${fit_running}"), false);
    if (QWidget* status = FindControl(QStringLiteral("fit_status")).Widget()) {
        status->repaint();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QElapsedTimer clock;
    clock.start();
    tuning::EqFit fit = tuning::FitEq(*mMeasured, *target, options);
    QApplication::restoreOverrideCursor();
    LogPrintA("EQ fit ch %d: %lld ms, rms %.2f -> %.2f dB, %d bands\n", mChannel + 1,
              static_cast<long long>(clock.elapsed()), fit.rmsBeforeDb, fit.rmsAfterDb,
              fit.bandsUsed);
    if (!fit.Ok()) {
        ShowStatus(FillMarks(QStringLiteral("${fit_failed}"), {QString::fromStdString(fit.error)}),
                   true);
        return false;
    }
    mFit = std::move(fit);
    if (auto* chart = FindControl(QStringLiteral("fit_chart")).As<ResponseChart>()) {
        chart->SetSeries(
            {SeriesOf("${curve_measured}", kMeasuredColor, mFit->frequencies, mFit->measured),
             SeriesOf("${target}", kTargetColor, mFit->frequencies, mFit->target, true),
             SeriesOf("${curve_predicted}", kPredictedColor, mFit->frequencies, mFit->predicted)});
        chart->SetRange(options.lowHz, options.highHz);
    }
    ShowStatus(
        FillMarks(QStringLiteral("${fit_result}"),
                  {Number(options.lowHz), Number(options.highHz), Number(mFit->rmsBeforeDb, 1),
                   Number(mFit->rmsAfterDb, 1), QString::number(mFit->bandsUsed)}),
        false);
    FindControl(QStringLiteral("btn_apply")).SetEnabled(true);
    return true;
}

bool CEqFitWnd::Apply() {
    if (!mFit) {
        return false;
    }
    const tuning::EditResult result =
        tuning::SetChannelBands(mOwner.Session(), mChannel, mFit->bands);
    if (result.refused) {
        ShowStatus(Tr("${fit_not_applied}"), true);
        return false;
    }
    mOwner.ShowEdit(result);
    ShowStatus(FillMarks(QStringLiteral("${fit_applied}"),
                         {QString::number(mChannel + 1), QString::number(mFit->bandsUsed)}),
               false);
    // Once is enough: a second click would write the same bands again.
    FindControl(QStringLiteral("btn_apply")).SetEnabled(false);
    return true;
}

void CEqFitWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    const QString filter = Tr("${measurement_files}") + QStringLiteral(" (*.frd *.txt *.csv);;") +
                           Tr("${all_files}") + QStringLiteral(" (*)");
    if (name == QLatin1String("btn_measurement")) {
        const QString path = mOwner.ChooseFile(false, filter, QStringLiteral("frd"));
        if (!path.isEmpty()) {
            LoadMeasurement(path);
        }
        return;
    }
    if (name == QLatin1String("btn_target")) {
        const QString path = mOwner.ChooseFile(false, filter, QStringLiteral("txt"));
        if (!path.isEmpty()) {
            LoadTarget(path);
        }
        return;
    }
    if (name == QLatin1String("btn_fit")) {
        Fit();
        return;
    }
    if (name == QLatin1String("btn_apply")) {
        Apply();
        return;
    }
    DialogImplBase::OnClick(msg);
}

void CEqFitWnd::Notify(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("target_combo") &&
        msg.sType == QLatin1String(DUI_MSGTYPE_ITEMSELECT)) {
        ShowTargetChoice();
    }
    DialogImplBase::Notify(msg);
}
