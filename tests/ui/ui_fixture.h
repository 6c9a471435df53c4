#pragma once
// Shared set-up of the toolkit tests: the test skin packed and loaded, hooks that record
// error boxes, exits and quits instead of acting, and a dialog class that records what
// reaches it.

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/shots.h"
#include "ui/window_impl_base.h"

namespace ui_testing {

// The test skin folder packed with the program's password (packed once per program).
const std::vector<std::uint8_t>& TestSkinPackage();

using gui_testing::WriteShot;

struct Note {
    QString type;
    QString sender;
    std::uintptr_t wParam = 0;
    bool operator==(const Note&) const = default;
};

struct ReceivedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::unique_ptr<MessageRecord> record;
};

// A dialog over the test layout with a chosen window class name.
class TestDialog : public DialogImplBase {
  public:
    explicit TestDialog(QString className = QStringLiteral("TestDlg"),
                        QString skin = QStringLiteral("XML_TEST_DIALOG"), bool* deleted = nullptr)
        : mClassName(std::move(className)), mSkin(std::move(skin)), mDeleted(deleted) {}
    ~TestDialog() override {
        if (mDeleted != nullptr) {
            *mDeleted = true;
        }
    }
    QString ClassName() const override { return mClassName; }
    QString SkinName() const override { return mSkin; }
    void OnInit() override { ++initCount; }
    void Notify(TNotifyUI& msg) override {
        notes.push_back({msg.sType, msg.pSender.GetName(), msg.wParam});
        DialogImplBase::Notify(msg);
    }
    void OnTimer(unsigned id) override {
        ++timerFires[id];
        if (onTimer) {
            onTimer(id);
        }
    }
    void OnMessage(WindowMessage& message) override {
        messages.push_back(
            {message.message, message.wParam, message.lParam, std::move(message.record)});
    }
    // Notes of one type, in order.
    std::vector<Note> NotesOf(const QString& type) const {
        std::vector<Note> out;
        for (const Note& note : notes) {
            if (note.type == type) {
                out.push_back(note);
            }
        }
        return out;
    }

    int initCount = 0;
    std::vector<Note> notes;
    std::map<unsigned, int> timerFires;
    std::function<void(unsigned)> onTimer;
    std::vector<ReceivedMessage> messages;

  private:
    QString mClassName;
    QString mSkin;
    bool* mDeleted;
};

// A main-window style window: the base click handling and close command.
class TestMainWindow : public WindowImplBase {
  public:
    QString ClassName() const override { return QStringLiteral("MainWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_TEST_MAIN"); }
};

class SkinTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A dialog built from the test layout that the test owns (no self-deletion).
    std::unique_ptr<TestDialog> MakeDialog(const QString& className = QStringLiteral("TestDlg"));

    std::vector<QString> errorBoxes;
    std::vector<int> exitCodes;
    int quits = 0;
};

}  // namespace ui_testing
