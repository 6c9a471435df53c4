#pragma once
// DSP memory word read/write for service use. The address and data shown last are kept in
// "tonvia.ini" ("mem_addr", "mem_data") for the next time.

#include <QString>
#include <cstdint>
#include <string>

#include "ui/window_impl_base.h"

class CHidDevice;
class QWidget;

class CMemWrWnd : public DialogImplBase {
  public:
    explicit CMemWrWnd(CHidDevice& device);
    ~CMemWrWnd() override;

    QString ClassName() const override { return QStringLiteral("MemWrWnd"); }
    QString SkinName() const override { return QStringLiteral("XML_MEM_WR"); }
    void OnInit() override;
    void OnClick(TNotifyUI& msg) override;
    void OnMessage(WindowMessage& message) override;
    void OnDestroyed() override;

    static int ShowMemWr(QWidget* parent, CHidDevice& device);

    // A value kept in the settings: the decimal text of an unsigned 32-bit number (a
    // negative number is taken modulo 2^32, as a signed store of it would have written);
    // anything else reads as 0.
    static std::uint32_t ReadStoredNumber(const std::string& text);

  private:
    std::uint32_t ReadEdit(const char* name) const;
    // Writes "0x%08x" into the edit and keeps the value under `key`.
    void ShowNumber(const char* edit, const char* key, std::uint32_t value);
    void Unregister();

    CHidDevice& mDevice;
    bool mRegistered = false;
};
