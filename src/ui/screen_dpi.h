#pragma once
// The screen-size rule that sets the interface scale: a pure function of the monitors'
// rectangles, so that it can be tested without a display.

#include <vector>

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct ScreenInfo {
    int monitorCount = 0;
    ScreenRect m_MainScreen;     // the primary screen: 0, 0, width, height
    ScreenRect m_VirtualScreen;  // the whole virtual desktop
    // Every monitor whose rectangle does not start at 0,0, sorted by left, then top edge.
    std::vector<ScreenRect> others;
};

// Builds ScreenInfo from the primary screen's size, the virtual desktop and all monitors.
ScreenInfo MakeScreenInfo(int primaryWidth, int primaryHeight, const ScreenRect& virtualScreen,
                          const std::vector<ScreenRect>& monitors);

// DPI for a scale factor: 77, 96, 120, 144, 192 or 288.
int DpiForScale(double scale);

// Chooses the widest monitor and returns its DPI, logging the steps.
int GetScreenDpi(const ScreenInfo& info);
