// The page half of the measurement tools: the current channel's EQ from and to the filter
// files of room-measurement programs, and the dialogs of the time alignment from speaker
// distances and of the EQ fit. The reading, the rules and the maths are the rules half's
// (tuning/filter_text.h, tuning/speaker_distances.h, tuning/eq_fit.h).
#include <QFileInfo>
#include <span>

#include "dialogs/dialog_common.h"
#include "mainpage/distances_wnd.h"
#include "mainpage/eq_fit_wnd.h"
#include "mainpage/equalizer_manager.h"
#include "mainpage/page_common.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "tuning/filter_text.h"
#include "ui/skin_resources.h"

namespace tuning = tonvia::tuning;
using tonvia::mainpage::FillMarks;

namespace {

// Far above any filter file (31 filters are a few kilobytes); a larger file is some other file.
constexpr std::size_t kMaxFilterFileBytes = 1u << 20;
// The notice lists this many report lines, then how many more there are.
constexpr int kReportLinesShown = 15;

QString Tr(const char* key) {
    return tonvia::ui::Translate(QLatin1String(key));
}

QString FilterFileFilter() {
    return Tr("${filter_files}") + QStringLiteral(" (*.txt *.cfg);;") + Tr("${all_files}") +
           QStringLiteral(" (*)");
}

QString NoteLine(const tuning::FilterNote& note) {
    const char* key = note.kind == tuning::FilterNoteKind::Clamped ? "${filter_note_clamped}"
                      : note.kind == tuning::FilterNoteKind::Unreadable
                          ? "${filter_note_unreadable}"
                          : "${filter_note_not_taken}";
    return FillMarks(QLatin1String(key),
                     {QString::number(note.line), QString::fromStdString(note.text)});
}

QString NoteLines(const std::vector<tuning::FilterNote>& notes) {
    QStringList lines;
    const int count = static_cast<int>(notes.size());
    for (int i = 0; i < count && i < kReportLinesShown; ++i) {
        lines << NoteLine(notes[static_cast<std::size_t>(i)]);
    }
    if (count > kReportLinesShown) {
        lines << FillMarks(QStringLiteral("${report_more}"),
                           {QString::number(count - kReportLinesShown)});
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString tonvia::mainpage::FillMarks(const QString& key, const QStringList& values) {
    const QString text = tonvia::ui::Translate(key);
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() &&
            (text[i + 1] == u'd' || text[i + 1] == u's') && next < values.size()) {
            out += values[next++];
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

QString EqualizerManager::ChooseFile(bool save, const QString& filter, const QString& extension) {
    return mHooks.fileDialog ? mHooks.fileDialog(save, filter, extension) : QString();
}

void EqualizerManager::ShowNotice(const QString& text) {
    if (mHooks.showBox) {
        mHooks.showBox(text);
    }
}

void EqualizerManager::ImportFilters() {
    const int ch = CurrentChannel();
    LogPrintA("ImportFilters ch %d\n", ch + 1);
    const QString path = ChooseFile(false, FilterFileFilter(), QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    const QString name = QFileInfo(path).fileName();
    const auto read = tonvia::platform::ReadRegularFile(path.toStdString(), kMaxFilterFileBytes);
    if (!read.bytes) {
        LogPrintA("filter file %s: %s\n", path.toUtf8().constData(), read.error.c_str());
        ShowNotice(read.tooLarge  ? FillMarks(QStringLiteral("${file_too_large}"),
                                              {name, QStringLiteral("1 MiB")})
                   : read.missing ? FillMarks(QStringLiteral("${file_missing}"), {name})
                                  : FillMarks(QStringLiteral("${file_unreadable}"),
                                              {name, QString::fromStdString(read.error)}));
        return;
    }
    const int bands = Live().channels[static_cast<std::size_t>(ch)].eqSize;
    const tuning::FilterImport import = tuning::ParseFilterText(*read.bytes, bands);
    const QString channel = QString::number(ch + 1);
    const QString notes = NoteLines(import.notes);
    if (!import.TookAnything()) {
        const QString nothing = FillMarks(QStringLiteral("${filters_nothing}"), {name, channel});
        ShowNotice(notes.isEmpty() ? nothing : nothing + QStringLiteral("\n\n") + notes);
        return;
    }
    const tuning::EditResult result = tuning::ApplyFilterImport(mSession, ch, import);
    if (result.refused) {
        ShowNotice(FillMarks(QStringLiteral("${filters_nothing}"), {name, channel}));
        return;
    }
    ShowEdit(result);
    QString text = import.filtersTaken == 1
                       ? FillMarks(QStringLiteral("${filters_imported_one}"), {channel})
                       : FillMarks(QStringLiteral("${filters_imported}"),
                                   {QString::number(import.filtersTaken), channel});
    if (import.levelDb) {
        text += QLatin1Char('\n') + FillMarks(QStringLiteral("${filters_level}"),
                                              {QString::number(*import.levelDb, 'f', 1)});
    }
    if (!notes.isEmpty()) {
        text += QStringLiteral("\n\n") + Tr("${filters_notes}") + QLatin1Char('\n') + notes;
    }
    ShowNotice(text);
}

void EqualizerManager::ExportFilters() {
    const int ch = CurrentChannel();
    LogPrintA("ExportFilters ch %d\n", ch + 1);
    const QString path = ChooseFile(true, FilterFileFilter(), QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    const std::string text =
        tuning::FilterText(Live().channels[static_cast<std::size_t>(ch)], ch + 1);
    const QString name = QFileInfo(path).fileName();
    std::string why;
    if (!tonvia::platform::WriteFileAtomically(path.toStdString(),
                                               std::span(text.data(), text.size()), &why)) {
        LogPrintA("filter file %s: %s\n", path.toUtf8().constData(), why.c_str());
        ShowNotice(
            FillMarks(QStringLiteral("${file_not_written}"), {name, QString::fromStdString(why)}));
        return;
    }
    ShowNotice(FillMarks(QStringLiteral("${filters_exported}"), {QString::number(ch + 1), name}));
}

void EqualizerManager::ShowSpeakerDistances() {
    RunToolDialog(new CDistancesWnd(*this), QStringLiteral("distanceswnd"));
}

void EqualizerManager::ShowEqFromMeasurement() {
    RunToolDialog(new CEqFitWnd(*this, CurrentChannel()), QStringLiteral("eqfitwnd"));
}

void EqualizerManager::RunToolDialog(WindowImplBase* dialog, const QString& windowName) {
    QWidget* parent = mWindow != nullptr ? mWindow->GetWidget() : nullptr;
    if (mHooks.runToolDialog) {
        if (dialog->Create(parent, windowName)) {
            dialog->ShowWindow();
            mHooks.runToolDialog(*dialog);
            dialog->Close(0);
        } else {
            delete dialog;
        }
        return;
    }
    tonvia::dialogs::RunModal(dialog, parent, windowName);
}
