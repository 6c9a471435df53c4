#include "dialogs/mem_wr_wnd.h"

#include <charconv>
#include <cstdint>

#include "commands/reply_records.h"
#include "dialogs/dialog_common.h"
#include "link/hid_device.h"
#include "model/value_format.h"
#include "platform/log.h"
#include "platform/settings.h"
#include "ui/window_registry.h"

namespace {

constexpr char kAddrEdit[] = "addr_edit";
constexpr char kDataEdit[] = "data_edit";
constexpr char kAddrKey[] = "mem_addr";
constexpr char kDataKey[] = "mem_data";

}  // namespace

CMemWrWnd::CMemWrWnd(CHidDevice& device) : mDevice(device) {}

CMemWrWnd::~CMemWrWnd() {
    Unregister();
}

std::uint32_t CMemWrWnd::ReadStoredNumber(const std::string& text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return 0;
    }
    std::int64_t value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end == first) {
        return 0;
    }
    if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) {
        return 0;
    }
    return static_cast<std::uint32_t>(value);
}

void CMemWrWnd::OnInit() {
    ShowNumber(kAddrEdit, kAddrKey, ReadStoredNumber(ReadConfigString(kAddrKey, "0")));
    ShowNumber(kDataEdit, kDataKey, ReadStoredNumber(ReadConfigString(kDataKey, "0")));
    mDevice.mMemWnd = GetHWND();
    mRegistered = true;
    tonvia::dialogs::FitWindowToContents(*this);
}

void CMemWrWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender.GetName();
    if (name == QLatin1String("read_btn")) {
        const std::uint32_t address = ReadEdit(kAddrEdit);
        ShowNumber(kAddrEdit, kAddrKey, address);
        LogPrintA("read_btn read dsp mem, addr(0x%08x)\n", address);
        // Queued: a silent device must not freeze the window for the reply's ten seconds.
        mDevice.Get_MemDataQueued(address);
        return;
    }
    if (name == QLatin1String("write_btn")) {
        const std::uint32_t address = ReadEdit(kAddrEdit);
        const std::uint32_t data = ReadEdit(kDataEdit);
        ShowNumber(kAddrEdit, kAddrKey, address);
        ShowNumber(kDataEdit, kDataKey, data);
        LogPrintA("write_btn write dsp mem, addr(0x%08x), data(0x%08x)\n", address, data);
        mDevice.Set_MemData(address, data, false);
        return;
    }
    DialogImplBase::OnClick(msg);
}

void CMemWrWnd::OnMessage(WindowMessage& message) {
    if (message.message != WM_READ_MEM_VALUE) {
        return;
    }
    const auto record = tonvia::ui::TakeRecord<MemDataRec>(message);
    if (!record) {
        return;
    }
    LogPrintA("mem data = addr(0x%08x), data(0x%08x)\n", record->address, record->data);
    ShowNumber(kAddrEdit, kAddrKey, record->address);
    ShowNumber(kDataEdit, kDataKey, record->data);
}

void CMemWrWnd::OnDestroyed() {
    Unregister();
}

std::uint32_t CMemWrWnd::ReadEdit(const char* name) const {
    return ReadMemoryNumber(FindControl(QString::fromLatin1(name)).GetText().toStdString());
}

void CMemWrWnd::ShowNumber(const char* edit, const char* key, std::uint32_t value) {
    FindControl(QString::fromLatin1(edit)).SetText(QString::asprintf("0x%08x", value));
    if (!WriteConfigString(key, std::to_string(value))) {
        LogPrintA("cannot store %s\n", key);
    }
}

void CMemWrWnd::Unregister() {
    if (!mRegistered) {
        return;
    }
    mRegistered = false;
    WindowHandle mine = GetHWND();
    mDevice.mMemWnd.compare_exchange_strong(mine, kNoWindow);
}

int CMemWrWnd::ShowMemWr(QWidget* parent, CHidDevice& device) {
    return tonvia::dialogs::RunModal(new CMemWrWnd(device), parent, QStringLiteral("memwrwnd"));
}
