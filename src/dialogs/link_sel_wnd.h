#pragma once
// Channel-link selection: which output pairs to link and which side's settings to copy.

#include <QString>
#include <optional>
#include <utility>
#include <vector>

#include "ui/window_impl_base.h"

class QWidget;

// An output pair, 0-based channels.
using OutputPair = std::pair<int, int>;

struct LinkSelection {
    std::vector<OutputPair> pairs;  // the pairs chosen, in list order
    bool leftToRight = true;        // copy the left channel's settings to the right one
};

class CMsgLinkSelWnd : public DialogImplBase {
  public:
    static constexpr int kMaxPairs = 3;  // "check_box_0" .. "check_box_2" in the layout

    explicit CMsgLinkSelWnd(std::vector<OutputPair> pairs);

    QString ClassName() const override { return QStringLiteral("CMsgLinkSelWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_LINK_SEL"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;

    // The choice once confirmed (close code 1); empty before.
    const std::optional<LinkSelection>& Selection() const { return mSelection; }
    // What is chosen now, or empty while no pair or no side is chosen.
    std::optional<LinkSelection> CurrentChoice() const;

    // Runs the dialog; empty when cancelled or closed.
    static std::optional<LinkSelection> ShowLinkSelect(QWidget* parent,
                                                       std::vector<OutputPair> pairs);

  private:
    void OnSelectChanged(TNotifyUI& msg);
    void UpdateConfirm();

    std::vector<OutputPair> mPairs;
    std::optional<LinkSelection> mSelection;
    std::optional<LinkSelection>* mResult = nullptr;  // the runner's copy, while it waits
};
