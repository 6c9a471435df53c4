#include "ui/screen_dpi.h"

#include <algorithm>
#include <cstddef>

#include "platform/log.h"

ScreenInfo MakeScreenInfo(int primaryWidth, int primaryHeight, const ScreenRect& virtualScreen,
                          const std::vector<ScreenRect>& monitors) {
    ScreenInfo info;
    info.monitorCount = static_cast<int>(monitors.size());
    info.m_MainScreen = {0, 0, primaryWidth, primaryHeight};
    info.m_VirtualScreen = virtualScreen;
    for (const ScreenRect& r : monitors) {
        if (r.left != 0 || r.top != 0) {
            info.others.push_back(r);
        }
    }
    std::stable_sort(info.others.begin(), info.others.end(),
                     [](const ScreenRect& a, const ScreenRect& b) {
                         return a.left != b.left ? a.left < b.left : a.top < b.top;
                     });
    return info;
}

int DpiForScale(double scale) {
    if (scale < 1.0) {
        return 77;
    }
    if (scale < 1.25) {
        return 96;
    }
    if (scale < 1.5) {
        return 120;
    }
    if (scale < 2.0) {
        return 144;
    }
    if (scale < 3.0) {
        return 192;
    }
    return 288;
}

int GetScreenDpi(const ScreenInfo& info) {
    const ScreenRect& m = info.m_MainScreen;
    const ScreenRect& v = info.m_VirtualScreen;
    LogPrintA("m_MainScreen (%d,%d,%d,%d)\n", m.left, m.top, m.right, m.bottom);
    LogPrintA("m_VirtualScreen (%d,%d,%d,%d)\n", v.left, v.top, v.right, v.bottom);

    ScreenRect chosen = m;
    for (int i = 1; i < info.monitorCount; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        if (index >= info.others.size()) {
            break;
        }
        if (info.others[index].Width() > chosen.Width()) {
            chosen = info.others[index];
        }
    }
    LogPrintA("screen size %d x %d\n", chosen.right, chosen.bottom);

    const double scale = std::min(static_cast<double>(chosen.Width()) / 1280.0,
                                  static_cast<double>(chosen.Height()) / 720.0);
    const int dpi = DpiForScale(scale);
    LogPrintA("DPI %d\n", dpi);
    return dpi;
}
