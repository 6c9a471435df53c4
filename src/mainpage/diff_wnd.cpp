#include "mainpage/diff_wnd.h"

#include <QComboBox>
#include <QHeaderView>
#include <QTableWidget>
#include <algorithm>
#include <set>
#include <string_view>

#include "dialogs/dialog_common.h"
#include "mainpage/equalizer_manager.h"
#include "model/positions.h"
#include "platform/log.h"
#include "tuning/parameter_sync.h"
#include "ui/skin_resources.h"

namespace tuning = tonvia::tuning;

namespace {

QString Tr(const char* key) {
    return tonvia::ui::Translate(QLatin1String(key));
}

QString Numbered(const char* key, int number) {
    QString text = Tr(key);
    text.replace(QLatin1String("%d"), QString::number(number));
    return text;
}

// The source's name in the interface language.
QString SourceName(int source) {
    return Tr(
        ("${" + std::string(kInputSources[static_cast<std::size_t>(source)].tag) + "}").c_str());
}

// The label of a field without its place; the field itself where no text names it.
QString FieldLabel(const std::string& field) {
    struct Label {
        std::string_view field;
        const char* key;
    };
    static constexpr Label kLabels[] = {
        {"eq.gain", "${field_eq_gain}"},
        {"eq.q", "${field_eq_q}"},
        {"eq.freq", "${field_eq_freq}"},
        {"eq.enable", "${field_eq_enable}"},
        {"gain", "${field_level}"},
        {"mute", "${mute}"},
        {"delay", "${delay}"},
        {"phase", "${field_phase}"},
        {"solo", "${solo}"},
        {"bypass", "${field_eq_bypass}"},
        {"compressorOn", "${field_compressor_on}"},
        {"outputs", "${field_position}"},
        {"bridgeOutputs", "${bridge}"},
        {"linkSel", "${synchronize}"},
        {"delayLinkSel", "${delay_link}"},
        {"inputs", "${field_routing}"},
        {"inputMixVolume", "${field_mix_level}"},
        {"inMixPhase", "${mixer_phase}"},
        {"csmViceSource", "${mixer_second_source}"},
        {"mainVolume", "${field_master_volume}"},
        {"mainVolumeMute", "${field_master_mute}"},
        {"inputSource", "${field_source}"},
        {"acc", "${acc}"},
        {"linkMode", "${link_output}"},
        {"lockMode", "${lock_output}"},
        {"inputThreshold", "${noise_threshold}"},
        {"powerOffDelay", "${poweroff_delay}"},
        {"compThreshold", "${threshold}"},
        {"compRatio", "${comp_ratio}"},
        {"compAttack", "${comp_attack}"},
        {"compRelease", "${comp_release}"},
        {"compKnee", "${comp_knee}"},
        {"compBypass", "${comp_bypass}"},
    };
    for (const Label& label : kLabels) {
        if (field == label.field) {
            return Tr(label.key);
        }
    }
    // "crossover.hp.fs" and its kind: the filter, then what of it.
    if (field.starts_with("crossover.hp.") || field.starts_with("crossover.lp.")) {
        const std::string_view part = std::string_view(field).substr(13);
        const QString filter = Tr(field[10] == 'h' ? "${field_hp}" : "${field_lp}");
        const char* what = part == "fs"      ? "${field_freq}"
                           : part == "type"  ? "${field_type}"
                           : part == "slope" ? "${field_slope}"
                                             : nullptr;
        return what != nullptr
                   ? filter + QLatin1Char(' ') + Tr(what)
                   : filter + QLatin1Char(' ') + QString::fromStdString(std::string(part));
    }
    if (field.starts_with("comp")) {
        return Tr("${compressor}") + QLatin1Char(' ') + QString::fromStdString(field.substr(4));
    }
    return QString::fromStdString(field);
}

QString OnOff(double value) {
    return value != 0.0 ? Tr("${field_on}") : Tr("${off}");
}

QString Number(double value) {
    return QString::fromStdString(tuning::ParameterValueText(value));
}

}  // namespace

QString DiffSettingName(const ParameterChange& change) {
    QStringList parts;
    if (change.source >= 0 && change.source < kInputSourceCount) {
        parts << SourceName(change.source);
    }
    const bool inputTable = tuning::NamesAnInput(change);
    const int input = inputTable ? change.channel : change.input;
    if (input >= 0) {
        parts << Tr("${input}") + QLatin1Char(' ') + QString::number(input + 1);
    }
    if (!inputTable && change.channel >= 0) {
        parts
            << (change.field == "bridgeOutputs"
                    ? QStringLiteral("CH%1 + CH%2").arg(change.channel + 1).arg(change.channel + 2)
                    : QStringLiteral("CH%1").arg(change.channel + 1));
    }
    if (change.band >= 0) {
        parts << Numbered("${field_band}", change.band + 1);
    }
    parts << FieldLabel(change.field);
    return parts.join(QStringLiteral(" · "));
}

QString DiffValueText(const ParameterChange& change, double value) {
    const std::string& f = change.field;
    if (f == "eq.gain" || f == "gain" || f == "mainVolume" || f == "csmViceGain" ||
        f == "inputThreshold") {
        return Number(value) + QStringLiteral(" dB");
    }
    if (f == "eq.freq" || f.ends_with(".fs")) {
        return Number(value) + QStringLiteral(" Hz");
    }
    if (f == "delay") {
        return QString::number(value, 'f', 3) + QStringLiteral(" ms");
    }
    if (f.ends_with(".slope")) {
        return value == 0.0 ? Tr("${off}") : Number(6.0 * value) + QStringLiteral(" dB/oct");
    }
    if (f.ends_with(".type")) {
        static const char* const kTypes[] = {"${butterworth}", "${linkwitz_riley}", "${bessel}"};
        const int type = static_cast<int>(value);
        return type >= 1 && type <= 3 ? Tr(kTypes[type - 1]) : Number(value);
    }
    if (f == "phase") {
        return value != 0.0 ? QStringLiteral("180°") : QStringLiteral("0°");
    }
    if (f == "mute" || f == "solo" || f == "eq.enable" || f == "bypass" || f == "compressorOn" ||
        f == "bridgeOutputs" || f == "linkMode" || f == "lockMode" || f == "mainVolumeMute" ||
        f == "inMixPhase" || f == "ampOn" || f == "rem_out1" || f == "rem_out2" ||
        f == "noise_gate") {
        return OnOff(value);
    }
    if (f == "outputs") {
        return Tr(PositionButtonText(static_cast<int>(value)));
    }
    if (f == "inputSource") {
        const int source = static_cast<int>(value);
        return source >= 0 && source < kInputSourceCount ? SourceName(source) : Number(value);
    }
    if (f == "inputs") {
        // The routed inputs of the mask: "1 + 2", or off.
        QStringList inputs;
        const int mask = static_cast<int>(value);
        for (int bit = 0; bit < kMixInputCount; ++bit) {
            if ((mask >> bit & 1) != 0) {
                inputs << QString::number(bit + 1);
            }
        }
        return inputs.isEmpty() ? Tr("${off}") : inputs.join(QStringLiteral(" + "));
    }
    return Number(value);
}

CDiffWnd::CDiffWnd(EqualizerManager& owner, Mode mode, ModelSet other, bool whole)
    : mOwner(owner), mMode(mode), mOther(std::move(other)), mWhole(whole) {}

void CDiffWnd::OnInit() {
    const bool amplifier = mMode == Mode::Amplifier;
    FindControl(QStringLiteral("MessageTitle"))
        .SetText(amplifier ? QStringLiteral("${diff_title_verify}")
                           : QStringLiteral("${diff_title_file}"));
    FindControl(QStringLiteral("btn_write"))
        .SetText(amplifier ? QStringLiteral("${write_to_amplifier}")
                           : QStringLiteral("${write_file_values}"));
    FindControl(QStringLiteral("btn_take")).SetVisible(amplifier);
    if (auto* scenes = FindControl(QStringLiteral("scene_combo")).As<QComboBox>()) {
        scenes->setVisible(mWhole);
        scenes->addItem(Tr("${diff_working}"));
        for (int scene = 1; scene <= kStoredSceneCount; ++scene) {
            QString text = Numbered("${diff_scene}", scene);
            const std::wstring& name = mOther.sceneNames[static_cast<std::size_t>(scene - 1)];
            if (!name.empty()) {
                text += QStringLiteral(" (%1)").arg(QString::fromStdWString(name));
            }
            scenes->addItem(text);
        }
    }
    if (auto* table = FindControl(QStringLiteral("diff_table")).As<QTableWidget>()) {
        table->setHorizontalHeaderLabels(
            {Tr("${diff_setting}"), Tr("${diff_on_pc}"),
             Tr(amplifier ? "${diff_on_amplifier}" : "${diff_in_file}")});
        table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
        table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
        table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
        table->verticalHeader()->setVisible(false);
    }
    Fill();
}

void CDiffWnd::ChooseScene(int scene) {
    if (scene < 0 || scene > (mWhole ? kStoredSceneCount : 0)) {
        return;
    }
    mScene = scene;
    if (auto* scenes = FindControl(QStringLiteral("scene_combo")).As<QComboBox>();
        scenes != nullptr && scenes->currentIndex() != scene) {
        scenes->setCurrentIndex(scene);
    }
    Fill();
}

void CDiffWnd::Fill() {
    const SceneConfig& own = *mOwner.Model().Scene(mScene);
    const SceneConfig& other = *mOther.Scene(mScene);
    mRows = tuning::TuningDifferences(own, other);
    QString count = Tr("${diff_count}");
    count.replace(QLatin1String("%d"), QString::number(mRows.size()));
    FindControl(QStringLiteral("MessageText")).SetText(count);
    auto* table = FindControl(QStringLiteral("diff_table")).As<QTableWidget>();
    if (table == nullptr) {
        return;
    }
    table->clearContents();
    table->setRowCount(static_cast<int>(mRows.size()));
    for (int row = 0; row < static_cast<int>(mRows.size()); ++row) {
        const ParameterChange& change = mRows[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(DiffSettingName(change)));
        table->setItem(row, 1, new QTableWidgetItem(DiffValueText(change, change.before)));
        table->setItem(row, 2, new QTableWidgetItem(DiffValueText(change, change.after)));
    }
    const bool any = !mRows.empty();
    FindControl(QStringLiteral("btn_write")).SetEnabled(any);
    FindControl(QStringLiteral("btn_take")).SetEnabled(any);
}

std::vector<ParameterChange> CDiffWnd::Chosen() const {
    const auto* table = FindControl(QStringLiteral("diff_table")).As<QTableWidget>();
    std::set<int> selected;
    if (table != nullptr && table->selectionModel() != nullptr) {
        for (const QModelIndex& index : table->selectionModel()->selectedRows()) {
            selected.insert(index.row());
        }
    }
    if (selected.empty()) {
        return mRows;
    }
    std::vector<ParameterChange> chosen;
    for (const int row : selected) {
        if (row >= 0 && row < static_cast<int>(mRows.size())) {
            chosen.push_back(mRows[static_cast<std::size_t>(row)]);
        }
    }
    return chosen;
}

void CDiffWnd::WriteToAmplifier() {
    const std::vector<ParameterChange> rows = Chosen();
    if (rows.empty()) {
        return;
    }
    if (mMode == Mode::Amplifier) {
        // The amplifier is given what the program holds; it then holds the same.
        tuning::SendParameters(mOwner.Session(), rows);
        tuning::CopyParameters(mOther.live, mOwner.Live(), rows);
    } else if (mScene == 0) {
        mOwner.ShowEdit(tuning::WriteParameters(mOwner.Session(), mOther.live, rows));
    } else {
        mOwner.WriteStoredSceneRows(mScene, mOther, rows);
    }
    Fill();
}

void CDiffWnd::TakeFromAmplifier() {
    const std::vector<ParameterChange> rows = Chosen();
    if (rows.empty() || mMode != Mode::Amplifier) {
        return;
    }
    mOwner.ShowEdit(tuning::WriteParameters(mOwner.Session(), mOther.live, rows, false));
    Fill();
}

void CDiffWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("btn_write")) {
        WriteToAmplifier();
        return;
    }
    if (name == QLatin1String("btn_take")) {
        TakeFromAmplifier();
        return;
    }
    DialogImplBase::OnClick(msg);
}

void CDiffWnd::Notify(TNotifyUI& msg) {
    if (msg.pSender.GetName() == QLatin1String("scene_combo") &&
        msg.sType == QLatin1String(DUI_MSGTYPE_ITEMSELECT)) {
        ChooseScene(static_cast<int>(msg.wParam));
        return;
    }
    DialogImplBase::Notify(msg);
}
