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
#include <QHash>
#include <QImage>
#include <QPolygonF>
#include <QString>
#include <QWidget>
#include <array>
#include <span>
#include <vector>

#include "graph/curve_path.h"
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
    // The cached layer is drawn in strips on a pool thread while this thread puts the
    // finished strips on the screen (on by default); off draws it in one pass, for
    // comparisons.
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
    // Background and grid between the columns fromX and toX.
    void PaintGrid(QPainter& painter, const EqGeometry& g, int fromX, int toX);
    // Background, grid and logo or bypass text.
    void PaintBackdrop(QPainter& painter, const EqGeometry& g, const QString& bypassText,
                       const QFont& bypassFont);
    // The cached layer: the above and the other channels' curves; puts it on `target` with
    // the current channel's curve.
    void PaintStillLayer(QPainter& target, const QRect& area, const EqGeometry& g,
                         const QString& bypassText);
    // The x of every frequency of the curves' grid, which all curves share (mGridColumns).
    void UpdateGridColumns(const EqGeometry& g);
    // A curve's line as drawn: the flattened chain through its pixels, the outline of that
    // line `width` wide and the outline cut into pieces.
    struct CurveShape {
        QPolygonF line;
        std::vector<QPointF> outline;
        double width = 0;
        ColumnPieces pieces;
    };
    void BuildCurveShape(const EqGeometry& g, const ChannelCurve& curve, bool smooth, double width,
                         CurveShape& shape);
    // The current channel's curve into mCurrentShape.
    void CurrentCurveShape(const EqGeometry& g);
    // Whether the painter would draw the curve's pen as a hairline, its own way, which
    // looks unlike a filled outline; such curves are drawn with the pen.
    static bool IsHairline(const QPainter& painter, const CurveShape& shape);
    // Draws a curve: its outline's pieces first..last-1 (cut beforehand) when `pieces` is
    // set, else the whole outline; or the line as a hairline.
    void PaintCurve(QPainter& painter, const CurveShape& shape, const QColor& color, bool pieces,
                    int first, int last);
    // The current channel's curve, in pieces where the painter allows.
    void PaintCurrentCurve(QPainter& painter, const QRect& area);
    double OtherCurveWidth(const EqGeometry& g) const;
    void PaintTexts(QPainter& painter, const EqGeometry& g);
    // A handle's label in the style's font; see mLabels.
    void DrawLabel(QPainter& painter, const QRect& box, const QString& text, const QColor& color);

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

    // Curves are filled in pieces this many pixels wide (see FillInColumns), and the cached
    // layer is drawn in strips of whole pieces.
    static constexpr int kFillColumns = 32;
    static constexpr int kStripColumns = 4 * kFillColumns;
    // Kept between repaints so that drawing the curves allocates little.
    CurveShape mCurrentShape;
    std::array<CurveShape, kMaxCurves> mShapes;
    FrequencyGrid mGridFrequencies{};
    std::array<double, CURVE_POINTS> mGridColumns{};
    int mGridLeft = 0;
    int mGridWidth = -1;

    // Every handle's label drawn once into an image of its own and blitted from then on:
    // laying out and shaping some 35 short texts on every repaint costs more than a curve.
    // The same pixels either way. Dropped when the font, the screen or the style changes.
    struct LabelKey {
        QString text;
        QRgb color = 0;
        QSize box;
        bool operator==(const LabelKey&) const = default;
        friend size_t qHash(const LabelKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.text, key.color, key.box.width(), key.box.height());
        }
    };
    struct Label {
        QImage image;
        QPoint offset;  // of the image from the box's corner
    };
    static constexpr qsizetype kMaxLabels = 96;
    QHash<LabelKey, Label> mLabels;
    QFont mLabelFont;
    int mLabelDpi = 0;
};
