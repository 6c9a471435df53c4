#pragma once
// The interactive response graph ("Curve" in layouts): the curves of up to six output
// channels, a numbered handle per EQ band of the current channel, H and L handles for the
// crossover frequencies, and the values of the selected band. It never writes the model:
// an edit changes the control's own copy and raises a notification; the owner reads the
// values back, applies them, and hands bands, H/L and curves in again.
//
// Notifications (both values 0): "equalizer_eq", "equalizer_eq_release", "equalizer_hp",
// "equalizer_hp_release", "equalizer_lp", "equalizer_lp_release". The user data holds the
// index of the last selected band.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <limits>
#include <span>

#include "graph/eq_geometry.h"
#include "graph/label_style.h"
#include "graph/math/channel_curve.h"
#include "model/eq_band.h"
#include "ui/display_scale.h"

class QPainter;

inline constexpr char kNotifyEqualizerEq[] = "equalizer_eq";
inline constexpr char kNotifyEqualizerEqRelease[] = "equalizer_eq_release";
inline constexpr char kNotifyEqualizerHp[] = "equalizer_hp";
inline constexpr char kNotifyEqualizerHpRelease[] = "equalizer_hp_release";
inline constexpr char kNotifyEqualizerLp[] = "equalizer_lp";
inline constexpr char kNotifyEqualizerLpRelease[] = "equalizer_lp_release";

class UIEqualizer : public QWidget, public tonvia::ui::ScaleAware {
  public:
    enum CaptureState {
        NONE_CAPTURED = 0,
        INDEX_CAPTURED = 1,
        FACTOR_CAPTURED = 2,
        HP_CAPTURED = 3,
        LP_CAPTURED = 4,
    };
    static constexpr int kMaxBands = 31;
    static constexpr int kMaxCurves = 6;
    static constexpr int kMaxCurveColors = 12;
    static constexpr int kMaxDb = static_cast<int>(kEqGain.max);  // the level axis
    static constexpr int kMinDb = static_cast<int>(kEqGain.min);
    static constexpr std::uint32_t kGridColor = 0xFF596274;
    static constexpr std::uint32_t kCurrentCurveColor = 0xFF026DF9;
    static constexpr std::uint32_t kDefaultCurveColor = 0xFF646464;

    explicit UIEqualizer(QWidget* parent = nullptr);

    QString GetClass() const { return QStringLiteral("UIEqualizer"); }
    // This control for "Curve" (or its class name), null otherwise.
    void* GetInterface(const QString& name);

    // ---- Owner operations --------------------------------------------------------------
    // Copies at most 31 bands, selects `selected` and lays every band out again.
    void SetBands(std::span<const EqBand> bands, int selected);
    // A frequency in 20..20000 shows its handle there; anything else hides it.
    void setCurEqHpLp(int hpFreq, int lpFreq);
    // Replaces all curves by the first min(6, curves.size()) ones; show[i] draws the
    // non-current curve i. An empty list changes nothing.
    void SetCurves(std::span<const ChannelCurve> curves, int currentChannel,
                   std::span<const bool> show);
    // true: bands drag in frequency and gain and show Q handles; false: gain only.
    void SetDragAllDirection(bool all) { mDragAllDirection = all; }
    bool GetDragAllDirection() const { return mDragAllDirection; }

    // ---- Reading back ------------------------------------------------------------------
    int BandCount() const { return mBandCount; }
    const EqBand& Band(int index) const;
    int CurrentControlIndex() const { return mCurrentControlIndex; }
    int HpFreq() const { return mHpFreq; }
    int LpFreq() const { return mLpFreq; }
    CaptureState Capture() const { return mCapture; }
    int CurveCount() const { return mCurveCount; }
    // Curve `index` (0..5) as last handed in.
    const ChannelCurve& Curve(int index) const {
        return mCurves.at(static_cast<std::size_t>(index));
    }
    int CurrentChannel() const { return mCurrentChannel; }

    // Where things are (for the owner's tooltips and for checks).
    QPoint BandPoint(int index) const;
    EqBox BandBox(int index) const;
    EqBox QHandleBox(int side) const { return side < 0 ? mQBoxes[0] : mQBoxes[1]; }
    EqBox HpBox() const { return mHpBox; }
    EqBox LpBox() const { return mLpBox; }
    EqBox InfoBox() const { return mInfoBox; }
    QString InfoText() const { return mInfoText; }
    bool IsAllFlat() const { return mAllFlat; }
    EqGeometry Geometry() const;

    // ---- Attributes and texts ----------------------------------------------------------
    // One layout attribute (names without regard to case); layouts set them as dynamic
    // properties, which arrive here too.
    void SetAttribute(const QString& name, const QString& value);
    bool IsAutoCalcWidth() const { return mStyle.autoCalcWidth; }
    void SetAutoCalcWidth(bool on);
    int CurveColorCount() const { return mCurveColorCount; }
    QColor CurveColor(int index) const;

    // Paints the whole graph (what paintEvent draws).
    void Paint(QPainter& painter);
    // The other channels' curves are drawn in two halves on two threads (on by default);
    // off draws them in one pass, for comparisons.
    void SetSplitPainting(bool on) {
        mSplitPainting = on;
        mStaticDirty = true;
    }

    void OnDisplayScale(int percent) override;
    int ScalePercent() const { return mScale; }

    QSize sizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool FullMode() const { return mDragAllDirection; }
    bool HasSelection() const {
        return mCurrentControlIndex >= 0 && mCurrentControlIndex < mBandCount;
    }
    void FullLayout();
    void LightRefresh();
    void LayoutSelection(const EqGeometry& g);
    void LayoutHandles(const EqGeometry& g);
    void SelectBand(int index);
    void Send(const char* type);
    // Background, grid and logo or bypass text.
    void PaintBackdrop(QPainter& painter, const EqGeometry& g, const QString& bypassText,
                       const QFont& bypassFont);
    // The cached layer: the above and the other channels' curves.
    void PaintStillLayer(const QRect& area, const EqGeometry& g, const QString& bypassText);
    // Strokes the part of the curve that can show between xLo and xHi (infinite: all).
    void PaintCurve(QPainter& painter, const EqGeometry& g, const ChannelCurve& curve, bool smooth,
                    const QColor& color, double width,
                    double xLo = -std::numeric_limits<double>::infinity(),
                    double xHi = std::numeric_limits<double>::infinity());
    double OtherCurveWidth(const EqGeometry& g) const;
    void PaintTexts(QPainter& painter, const EqGeometry& g);

    std::array<EqBand, kMaxBands> mBands{};
    int mBandCount = 0;
    std::array<QPoint, kMaxBands> mPoints{};
    std::array<EqBox, kMaxBands> mBoxes{};
    int mCurrentControlIndex = -1;
    bool mDragAllDirection = false;
    CaptureState mCapture = NONE_CAPTURED;
    int mHpFreq = -1;
    int mLpFreq = -1;
    EqBox mHpBox;
    EqBox mLpBox;
    QString mInfoText;
    EqBox mInfoBox;
    std::array<EqBox, 2> mQBoxes{};

    std::array<ChannelCurve, kMaxCurves> mCurves{};
    int mCurveCount = 0;
    int mCurrentChannel = 0;
    std::array<bool, kMaxCurveColors> mShow{};
    std::array<QColor, kMaxCurveColors> mCurveColors{};
    int mCurveColorCount = 0;

    bool mAllFlat = true;
    bool mLayoutDone = false;
    bool mFocused = false;
    int mBypassFont = -1;
    QString mCurveLogo;
    QColor mBackground = QColor::fromRgba(0xFF1E2126);
    LabelTextStyle mStyle;
    int mScale = 100;

    // What does not move while a band is dragged (background, grid, logo or bypass text,
    // the other channels' curves), drawn once and blitted: antialiasing six wide curves
    // on every mouse move costs more than a frame's budget.
    QImage mStaticLayer;
    QString mStaticBypassText;
    bool mStaticDirty = true;
    bool mSplitPainting = true;
};
