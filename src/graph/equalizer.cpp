#include "graph/equalizer.h"

#include <QDynamicPropertyChangeEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QTransform>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>

#include "graph/curve_path.h"
#include "platform/log.h"
#include "ui/skin_resources.h"
#include "ui/window_impl_base.h"

namespace {

constexpr int kGridFrequencies[] = {20,   30,   40,   50,   60,   70,   80,    90,   100,  200,
                                    300,  400,  500,  600,  700,  800,  900,   1000, 2000, 3000,
                                    4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};
constexpr int kGridLevels[] = {-15, -10, -5, 5, 10};
// Curves are drawn a little past both ends of the axis so they leave the graph cleanly.
constexpr double kCurveLoHz = FREQ_MIN - 10;
constexpr double kCurveHiHz = FREQ_MAX + 100;
constexpr std::uint32_t kBypassTextColor = 0x77777777;
constexpr std::uint32_t kSelectedColor = 0xFFFF0000;
constexpr std::uint32_t kLabelColor = 0xFFFFFFFF;

// Drawing work run on a thread of the global pool. Off the pool, Qt's raster engine
// splits wide span fills across the pool's threads; for thin antialiased curves the
// hand-offs cost more than they save (about half the paint time on two cores), while on a
// pool thread it fills serially. The result is the same pixels. If no pool thread is
// free, RunIfIdle() runs the work here. Until then this thread may prepare what the work
// waits for, but must not paint: painting here may hand work to the pool thread the work
// holds.
class PoolTask {
  public:
    explicit PoolTask(const std::function<void()>& work) : mWork(work) {
        QThreadPool* pool = QThreadPool::globalInstance();
        mStarted = !pool->contains(QThread::currentThread()) && pool->tryStart([this] {
            mWork();
            mDone.release();
        });
    }
    PoolTask(const PoolTask&) = delete;
    PoolTask& operator=(const PoolTask&) = delete;
    ~PoolTask() { Wait(); }

    void RunIfIdle() {
        if (!mStarted && !mRanHere) {
            mRanHere = true;
            mWork();
        }
    }
    void Wait() {
        RunIfIdle();
        if (mStarted) {
            mDone.acquire();
            mStarted = false;
        }
    }

  private:
    const std::function<void()>& mWork;
    QSemaphore mDone;
    bool mStarted = false;
    bool mRanHere = false;
};

bool InModelRange(int hz) {
    return hz >= FREQ_MIN && hz <= FREQ_MAX;
}

// "file='x.png' dest='l,t,r,b'" or a bare path.
struct ImageDescription {
    QString file;
    QRect dest;
};

ImageDescription ParseImageDescription(const QString& text) {
    ImageDescription out;
    static const QRegularExpression attr(QStringLiteral("(\\w+)\\s*=\\s*'([^']*)'"));
    auto it = attr.globalMatch(text);
    bool any = false;
    while (it.hasNext()) {
        const auto m = it.next();
        any = true;
        const QString key = m.captured(1).toLower();
        if (key == QLatin1String("file")) {
            out.file = m.captured(2);
        } else if (key == QLatin1String("dest")) {
            const QStringList p = m.captured(2).split(QLatin1Char(','));
            if (p.size() == 4) {
                out.dest = QRect(QPoint(p[0].toInt(), p[1].toInt()),
                                 QPoint(p[2].toInt() - 1, p[3].toInt() - 1));
            }
        }
    }
    if (!any) {
        out.file = text.trimmed();
    }
    return out;
}

}  // namespace

UIEqualizer::UIEqualizer(QWidget* parent) : QWidget(parent) {
    setProperty("tvClass", GetClass());
    setMouseTracking(true);  // hovering selects bands and sets the cursor
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void* UIEqualizer::GetInterface(const QString& name) {
    if (name.compare(QLatin1String("Curve"), Qt::CaseInsensitive) == 0 ||
        name.compare(GetClass(), Qt::CaseInsensitive) == 0) {
        return this;
    }
    return nullptr;
}

EqGeometry UIEqualizer::Geometry() const {
    return EqGeometry(rect(), mScale, kMaxDb, kMinDb);
}

const EqBand& UIEqualizer::Band(int index) const {
    static const EqBand kNone{};
    return index >= 0 && index < mBandCount ? mBands[static_cast<std::size_t>(index)] : kNone;
}

QPoint UIEqualizer::BandPoint(int index) const {
    return index >= 0 && index < mBandCount ? mPoints[static_cast<std::size_t>(index)] : QPoint();
}

EqBox UIEqualizer::BandBox(int index) const {
    return index >= 0 && index < mBandCount ? mBoxes[static_cast<std::size_t>(index)] : EqBox{};
}

QColor UIEqualizer::CurveColor(int index) const {
    return index >= 0 && index < mCurveColorCount ? mCurveColors[static_cast<std::size_t>(index)]
                                                  : QColor::fromRgba(kDefaultCurveColor);
}

// ---- Owner operations ------------------------------------------------------------------

void UIEqualizer::SetBands(std::span<const EqBand> bands, int selected) {
    mBandCount = static_cast<int>(std::min<std::size_t>(bands.size(), kMaxBands));
    mAllFlat = true;
    for (int i = 0; i < mBandCount; ++i) {
        mBands[static_cast<std::size_t>(i)] = bands[static_cast<std::size_t>(i)];
        if (mBands[static_cast<std::size_t>(i)].gain != 0.0f) {
            mAllFlat = false;
        }
    }
    mCurrentControlIndex = selected;
    if (selected >= 0 && selected < mBandCount) {
        setProperty("userdata", QString::number(selected));
    }
    FullLayout();
    update();
}

void UIEqualizer::setCurEqHpLp(int hpFreq, int lpFreq) {
    const EqGeometry g = Geometry();
    if (InModelRange(hpFreq)) {
        mHpFreq = hpFreq;
        mHpBox = g.HpBox(hpFreq);
        LogPrintA("setCurEqHpLp mHpFreq(%d)\n", hpFreq);
    } else {
        mHpFreq = -1;
        mHpBox = {};
    }
    if (InModelRange(lpFreq)) {
        mLpFreq = lpFreq;
        mLpBox = g.LpBox(lpFreq);
        LogPrintA("setCurEqHpLp mHpFreq(%d)\n", lpFreq);
    } else {
        mLpFreq = -1;
        mLpBox = {};
    }
    update();
}

void UIEqualizer::SetCurves(std::span<const ChannelCurve> curves, int currentChannel,
                            std::span<const bool> show) {
    if (curves.empty()) {
        return;
    }
    const int count = static_cast<int>(std::min<std::size_t>(curves.size(), kMaxCurves));
    auto shown = [&](int i) {
        return static_cast<std::size_t>(i) < show.size() && show[static_cast<std::size_t>(i)];
    };
    // A drag changes only the current channel's curve; the cached layer stays valid then.
    bool otherCurvesChanged = count != mCurveCount || currentChannel != mCurrentChannel;
    for (int i = 0; i < count && !otherCurvesChanged; ++i) {
        const auto k = static_cast<std::size_t>(i);
        otherCurvesChanged =
            shown(i) != mShow[k] || (shown(i) && i != currentChannel && !(curves[k] == mCurves[k]));
    }
    mStaticDirty = mStaticDirty || otherCurvesChanged;

    mCurveCount = count;
    mCurves.fill(ChannelCurve{});
    mShow.fill(false);
    for (int i = 0; i < mCurveCount; ++i) {
        mCurves[static_cast<std::size_t>(i)] = curves[static_cast<std::size_t>(i)];
        mShow[static_cast<std::size_t>(i)] = shown(i);
    }
    mCurrentChannel = currentChannel;
    update();
}

// ---- Layout ----------------------------------------------------------------------------

void UIEqualizer::FullLayout() {
    const EqGeometry g = Geometry();
    if (g.IsUsable()) {
        mLayoutDone = true;
    }
    for (int i = 0; i < mBandCount; ++i) {
        const EqBand& band = mBands[static_cast<std::size_t>(i)];
        const QPoint p(g.XOfFreq(band.freq), g.YOfGain(band.gain));
        mPoints[static_cast<std::size_t>(i)] = p;
        mBoxes[static_cast<std::size_t>(i)] = g.BandBox(p);
    }
    LayoutSelection(g);
    LayoutHandles(g);
}

void UIEqualizer::LightRefresh() {
    const EqGeometry g = Geometry();
    if (HasSelection()) {
        const auto i = static_cast<std::size_t>(mCurrentControlIndex);
        mBoxes[i] = g.BandBox(mPoints[i]);
    }
    LayoutSelection(g);
    LayoutHandles(g);
}

void UIEqualizer::LayoutSelection(const EqGeometry& g) {
    if (!HasSelection()) {
        mInfoText.clear();
        mInfoBox = {};
        mQBoxes = {};
        return;
    }
    const EqBand& band = mBands[static_cast<std::size_t>(mCurrentControlIndex)];
    const QPoint p = mPoints[static_cast<std::size_t>(mCurrentControlIndex)];
    if (FullMode()) {
        mInfoText = QString::asprintf("%d Hz %s Q %.1f dB", band.freq,
                                      QString::asprintf("%0.2f", band.q).toLatin1().constData(),
                                      static_cast<double>(band.gain));
        const int d = g.QOffset(band.q);
        mQBoxes = {g.QHandleBox(p, d, -1), g.QHandleBox(p, d, +1)};
    } else {
        mInfoText = QString::asprintf("%.1f dB", static_cast<double>(band.gain));
        mQBoxes = {};
    }
    mInfoBox = g.InfoBox(p, FullMode());
}

void UIEqualizer::LayoutHandles(const EqGeometry& g) {
    mHpBox = InModelRange(mHpFreq) ? g.HpBox(mHpFreq) : EqBox{};
    mLpBox = InModelRange(mLpFreq) ? g.LpBox(mLpFreq) : EqBox{};
}

// ---- Attributes ------------------------------------------------------------------------

void UIEqualizer::SetAttribute(const QString& name, const QString& value) {
    const QString key = name.toLower();
    if (mStyle.Apply(key, value)) {
        mLabels.clear();
    } else if (key == QLatin1String("bypassfont")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        mBypassFont = ok ? index : -1;
    } else if (key == QLatin1String("curvecolor")) {
        mCurveColorCount = 0;
        for (const QString& part : value.split(QLatin1Char('#'), Qt::SkipEmptyParts)) {
            if (mCurveColorCount >= kMaxCurveColors) {
                break;
            }
            if (part.trimmed().isEmpty()) {
                continue;
            }
            if (auto color = ParseSkinColor(part)) {
                mCurveColors[static_cast<std::size_t>(mCurveColorCount++)] = *color;
            }
        }
    } else if (key == QLatin1String("curvelogo")) {
        mCurveLogo = value;
    } else if (key == QLatin1String("bkcolor")) {
        if (auto color = ParseSkinColor(value)) {
            mBackground = *color;
        }
    } else {
        return;
    }
    mStaticDirty = true;
    update();
}

void UIEqualizer::SetAutoCalcWidth(bool on) {
    mStyle.autoCalcWidth = on;
    updateGeometry();
}

QSize UIEqualizer::sizeHint() const {
    QSize size = QWidget::sizeHint();
    if (mStyle.autoCalcWidth) {
        const QFontMetrics metrics(SkinFontAt(mStyle.font, *this, mScale));
        const int width = metrics.horizontalAdvance(property("text").toString()) +
                          mStyle.textPadding.left() + mStyle.textPadding.right();
        size.setWidth(width);
        size.setHeight(std::max(size.height(), height()));
    }
    return size;
}

void UIEqualizer::OnDisplayScale(int percent) {
    mScale = percent > 0 ? percent : 100;
    mStaticDirty = true;
    if (mCapture == NONE_CAPTURED) {
        FullLayout();
    }
    update();
}

// ---- Events ----------------------------------------------------------------------------

bool UIEqualizer::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::DynamicPropertyChange: {
            const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(e)->propertyName();
            if (name == "text") {
                if (mStyle.autoCalcWidth) {
                    updateGeometry();  // the parent lays out again for the new width
                }
                update();
            } else {
                SetAttribute(QString::fromLatin1(name), property(name.constData()).toString());
            }
            break;
        }
        case QEvent::FontChange:
            mStaticDirty = true;  // the bypass text may use the control's font
            break;
        case QEvent::FocusIn:
            mFocused = true;
            break;
        case QEvent::FocusOut:
            mFocused = false;
            break;
        default:
            break;
    }
    return QWidget::event(e);
}

void UIEqualizer::resizeEvent(QResizeEvent* e) {
    // The band points follow the new size; a drag in progress keeps its own.
    if (mCapture == NONE_CAPTURED) {
        FullLayout();
    }
    QWidget::resizeEvent(e);
}

void UIEqualizer::Send(const char* type) {
    RaiseNotify(this, QString::fromLatin1(type));
}

void UIEqualizer::SelectBand(int index) {
    mCurrentControlIndex = index;
    setProperty("userdata", QString::number(index));
}

void UIEqualizer::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    if (FullMode() && HasSelection() && (mQBoxes[0].Contains(p) || mQBoxes[1].Contains(p))) {
        setCursor(Qt::SizeHorCursor);
        mCapture = FACTOR_CAPTURED;
    } else {
        int hit = -1;
        for (int i = 0; i < mBandCount; ++i) {
            if (mBoxes[static_cast<std::size_t>(i)].Contains(p)) {
                hit = i;
                break;
            }
        }
        if (hit >= 0) {
            setCursor(FullMode() ? Qt::SizeAllCursor : Qt::SizeVerCursor);
            SelectBand(hit);
            mCapture = INDEX_CAPTURED;
        } else if (mHpBox.Contains(p) && !mHpBox.IsEmpty()) {
            setCursor(Qt::SizeHorCursor);
            mCurrentControlIndex = -1;
            mCapture = HP_CAPTURED;
        } else if (mLpBox.Contains(p) && !mLpBox.IsEmpty()) {
            setCursor(Qt::SizeHorCursor);
            mCurrentControlIndex = -1;
            mCapture = LP_CAPTURED;
        }
    }
    QWidget::mousePressEvent(e);
}

void UIEqualizer::mouseMoveEvent(QMouseEvent* e) {
    const QPoint raw = e->position().toPoint();
    const EqGeometry g = Geometry();
    const QPoint p = g.Clamp(raw);
    switch (mCapture) {
        case NONE_CAPTURED: {
            for (int i = 0; i < mBandCount; ++i) {
                if (mBoxes[static_cast<std::size_t>(i)].Contains(raw)) {
                    setCursor(Qt::PointingHandCursor);
                    if (i != mCurrentControlIndex) {
                        SelectBand(i);
                        Send(kNotifyEqualizerEq);
                        update();
                    }
                    return;
                }
            }
            const bool overQ = FullMode() && HasSelection() &&
                               (mQBoxes[0].Contains(raw) || mQBoxes[1].Contains(raw));
            setCursor(overQ || mHpBox.Contains(raw) || mLpBox.Contains(raw) ? Qt::SizeHorCursor
                                                                            : Qt::ArrowCursor);
            return;
        }
        case INDEX_CAPTURED: {
            if (!HasSelection()) {
                return;
            }
            const auto i = static_cast<std::size_t>(mCurrentControlIndex);
            if (FullMode()) {
                mPoints[i].setX(p.x());
            }
            mPoints[i].setY(p.y());
            const int freq = g.FreqOfX(p.x());
            const float gain = g.GainOfY(p.y());
            bool gainStored = false;
            if (std::fabs(gain - mBands[i].gain) > 0.001f) {
                mBands[i].gain = gain;
                gainStored = true;
            }
            if (FullMode() && freq != mBands[i].freq) {
                mBands[i].freq = freq;
                Send(kNotifyEqualizerEq);
            } else if (gainStored) {
                Send(kNotifyEqualizerEq);
            }
            return;
        }
        case FACTOR_CAPTURED: {
            if (!HasSelection()) {
                return;
            }
            const auto i = static_cast<std::size_t>(mCurrentControlIndex);
            const double q = g.QOfX(p.x(), mPoints[i].x());
            if (std::fabs(q - mBands[i].q) >= 0.01) {
                mBands[i].q = static_cast<float>(q);
                Send(kNotifyEqualizerEq);
            }
            return;
        }
        case HP_CAPTURED: {
            const int f = g.FreqOfX(p.x());
            // A hidden L sets no upper limit: H must stay movable with the low-pass off.
            const bool belowL = mLpFreq == -1 || f < mLpFreq;
            if (belowL && f != mHpFreq) {
                mHpFreq = f;
                Send(kNotifyEqualizerHp);
            }
            return;
        }
        case LP_CAPTURED: {
            const int f = g.FreqOfX(p.x());
            if (f > mHpFreq && f != mLpFreq) {
                mLpFreq = f;
                Send(kNotifyEqualizerLp);
            }
            return;
        }
    }
}

void UIEqualizer::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const EqGeometry g = Geometry();
    const QPoint p = g.Clamp(e->position().toPoint());
    const CaptureState state = mCapture;
    mCapture = NONE_CAPTURED;
    switch (state) {
        case NONE_CAPTURED:
            break;
        case INDEX_CAPTURED:
            if (HasSelection()) {
                const auto i = static_cast<std::size_t>(mCurrentControlIndex);
                if (FullMode()) {
                    mPoints[i].setX(p.x());
                    mBands[i].freq = g.FreqOfX(p.x());
                }
                mPoints[i].setY(p.y());
                mBands[i].gain = g.GainOfY(p.y());
                mBoxes[i] = g.BandBox(mPoints[i]);
                Send(kNotifyEqualizerEqRelease);
                setCursor(Qt::PointingHandCursor);
            }
            break;
        case FACTOR_CAPTURED:
            if (HasSelection()) {
                const auto i = static_cast<std::size_t>(mCurrentControlIndex);
                mBands[i].q = static_cast<float>(g.QOfX(p.x(), mPoints[i].x()));
                Send(kNotifyEqualizerEqRelease);
                setCursor(Qt::ArrowCursor);
            }
            break;
        case HP_CAPTURED: {
            const int f = g.FreqOfX(p.x());
            if (mLpFreq == -1 || f < mLpFreq) {
                mHpFreq = f;
            }
            Send(kNotifyEqualizerHpRelease);
            setCursor(Qt::ArrowCursor);
            break;
        }
        case LP_CAPTURED: {
            const int f = g.FreqOfX(p.x());
            if (f > mHpFreq) {
                mLpFreq = f;
            }
            Send(kNotifyEqualizerLpRelease);
            setCursor(Qt::ArrowCursor);
            break;
        }
    }
    QWidget::mouseReleaseEvent(e);
}

// ---- Painting --------------------------------------------------------------------------

void UIEqualizer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void UIEqualizer::Paint(QPainter& painter) {
    if (!mLayoutDone) {
        FullLayout();
    } else {
        LightRefresh();
    }
    const EqGeometry g = Geometry();
    const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
    if (area.isEmpty()) {
        return;
    }
    painter.save();
    painter.setClipRect(area);
    UpdateGridColumns(g);

    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (QSizeF(area.size()) * ratio).toSize();
    // An opaque layer is copied rather than blended when it is put on the screen.
    const QImage::Format format =
        mBackground.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    const QString bypassText = mCurveLogo.isEmpty() && mAllFlat
                                   ? tonvia::ui::Translate(QStringLiteral("${all_bypass}"))
                                   : QString();
    if (mStaticDirty || mStaticLayer.size() != pixels || mStaticLayer.format() != format ||
        mStaticLayer.devicePixelRatio() != ratio || bypassText != mStaticBypassText) {
        if (mStaticLayer.size() != pixels || mStaticLayer.format() != format) {
            mStaticLayer = QImage(pixels, format);
        }
        mStaticLayer.setDevicePixelRatio(ratio);
        if (format != QImage::Format_RGB32) {
            mStaticLayer.fill(Qt::transparent);
        }
        PaintStillLayer(painter, area, g, bypassText);
        mStaticBypassText = bypassText;
        mStaticDirty = false;
    } else {
        CurrentCurveShape(g);
        painter.drawImage(area.topLeft(), mStaticLayer);
        PaintCurrentCurve(painter, area);
    }
    PaintTexts(painter, g);
    painter.restore();
}

void UIEqualizer::PaintGrid(QPainter& painter, const EqGeometry& g, int fromX, int toX) {
    const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(fromX, area.top(), toX - fromX, area.height()) & area, mBackground);

    const int lineWidth = g.Scale() / 100;
    QPen pen(QColor::fromRgba(kGridColor), lineWidth);
    const int w = std::max(lineWidth, 1);
    if (!MovesByWholePixels(painter)) {
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        painter.drawLine(g.Left(), g.ZeroY(), g.Left() + g.Width(), g.ZeroY());
        for (int hz : kGridFrequencies) {
            if (hz != 20000) {
                const int x = g.XOfFreq(hz);
                painter.drawLine(x, g.Top(), x, g.Bottom());
            }
        }
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        for (int db : kGridLevels) {
            const int y = g.YOfGain(db);
            painter.drawLine(g.Left(), y, g.Right(), y);
        }
        return;
    }
    // On whole pixels the lines are filled as the rectangles and dots the pen covers (its
    // square caps reach half the width past both ends): the pen draws them pixel by pixel,
    // and its one-pixel dots would restart where a strip of the layer begins.
    auto vertical = [&](int x, int top, int bottom) {
        painter.fillRect(x - w / 2, top - w / 2, w, bottom - top + w, pen.color());
    };
    auto horizontal = [&](int y, int left, int right) {
        painter.fillRect(left - w / 2, y - w / 2, right - left + w, w, pen.color());
    };
    if (w == 1) {
        // The frame's rectangle is one pixel smaller, and outlined on its far edges too.
        vertical(area.left(), area.top(), area.bottom());
        vertical(area.right(), area.top(), area.bottom());
        horizontal(area.top(), area.left(), area.right());
        horizontal(area.bottom(), area.left(), area.right());
    } else {
        painter.setPen(pen);  // wider pens bevel the corners
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
    horizontal(g.ZeroY(), g.Left(), g.Left() + g.Width());
    for (int hz : kGridFrequencies) {
        if (hz != 20000) {
            vertical(g.XOfFreq(hz), g.Top(), g.Bottom());
        }
    }
    if (w == 1) {
        // A one-pixel dot and a two-pixel gap, from the left end through the right one.
        const int first = std::max(0, (fromX - g.Left() + 2) / 3);
        const int last = (std::min(toX - 1, g.Right()) - g.Left()) / 3;
        if (last >= first) {
            QPolygon dots(last - first + 1);
            painter.setPen(QPen(pen.color(), 0));
            for (int db : kGridLevels) {
                const int y = g.YOfGain(db);
                for (int k = 0; k < dots.size(); ++k) {
                    dots[k] = QPoint(g.Left() + 3 * (first + k), y);
                }
                painter.drawPoints(dots);
            }
        }
    } else {
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        for (int db : kGridLevels) {
            const int y = g.YOfGain(db);
            painter.drawLine(g.Left(), y, g.Right(), y);
        }
    }
}

void UIEqualizer::PaintBackdrop(QPainter& painter, const EqGeometry& g, const QString& bypassText,
                                const QFont& bypassFont) {
    const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
    PaintGrid(painter, g, g.Left(), g.Right());
    if (!mCurveLogo.isEmpty()) {
        const ImageDescription logo = ParseImageDescription(mCurveLogo);
        const QPixmap pixmap = tonvia::ui::SkinResources::Instance().Image(logo.file);
        if (!pixmap.isNull()) {
            const QRect dest =
                logo.dest.isValid()
                    ? QRect(g.Left() + g.U(logo.dest.left()), g.Top() + g.U(logo.dest.top()),
                            g.U(logo.dest.width()), g.U(logo.dest.height()))
                    : area;
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(dest, pixmap);
        }
    } else if (!bypassText.isEmpty()) {
        painter.setFont(bypassFont);
        painter.setPen(QColor::fromRgba(kBypassTextColor));
        DrawStyledText(painter,
                       QRect(QPoint(g.Left(), g.Top() + g.U(40)), QPoint(g.Right(), g.Bottom())),
                       bypassText, mStyle);
    }
}

void UIEqualizer::PaintStillLayer(QPainter& target, const QRect& area, const EqGeometry& g,
                                  const QString& bypassText) {
    // A logo or the bypass text is drawn here, with the grid under it: pixmaps and the
    // widget's fonts belong to this thread. Otherwise the grid is drawn with the curves.
    const bool gridHere = !mCurveLogo.isEmpty() || !bypassText.isEmpty();
    if (gridHere) {
        QPainter layer(&mStaticLayer);
        layer.translate(-area.topLeft());
        PaintBackdrop(layer, g, bypassText, SkinFontAt(mBypassFont, *this, g.Scale()));
    }

    // A pool thread draws the layer in strips of whole pieces, each strip its own image
    // over the same pixels, while this thread puts each finished strip on the target with
    // its part of the current curve. A strip holds whole pieces, so the strips fill
    // exactly the pieces one pass would. The other curves' outlines are built by
    // whichever thread gets to one first; the strips wait for each in turn.
    const bool cut = mStaticLayer.devicePixelRatio() == 1.0;
    const bool strips = cut && mSplitPainting && mStaticLayer.width() >= 2 * kStripColumns;
    const int stripCount = strips ? (mStaticLayer.width() + kStripColumns - 1) / kStripColumns : 1;
    std::array<int, kMaxCurves> jobs{};  // the curves to draw, in order
    std::size_t jobCount = 0;
    for (int i = 0; i < mCurveCount; ++i) {
        if (i != mCurrentChannel && mShow[static_cast<std::size_t>(i)]) {
            jobs[jobCount++] = i;
        }
    }
    std::array<QSemaphore, kMaxCurves> built;
    std::atomic<std::size_t> nextJob{0};
    const double width = OtherCurveWidth(g);
    auto buildOutlines = [&] {
        for (std::size_t j = nextJob++; j < jobCount; j = nextJob++) {
            const auto i = static_cast<std::size_t>(jobs[j]);
            BuildCurveShape(g, mCurves[i], true, width, mShapes[i]);
            if (cut) {
                CutIntoColumns(mShapes[i].outline, area, kFillColumns, mShapes[i].pieces);
            }
            built[j].release(stripCount);
        }
    };
    std::vector<QSemaphore> stripDone(static_cast<std::size_t>(stripCount));
    uchar* bits = mStaticLayer.bits();
    auto paintStrip = [&](int strip) {
        const int x0 = strip * kStripColumns;
        const int x1 = strips ? std::min(area.width(), x0 + kStripColumns) : area.width();
        QImage part;
        if (strips) {
            part =
                QImage(bits + static_cast<qsizetype>(x0) * (mStaticLayer.depth() / 8), x1 - x0,
                       mStaticLayer.height(), mStaticLayer.bytesPerLine(), mStaticLayer.format());
        }
        QPainter painter(strips ? &part : &mStaticLayer);
        painter.translate(-area.left() - x0, -area.top());
        if (!gridHere) {
            PaintGrid(painter, g, area.left() + x0, area.left() + x1);
        }
        for (std::size_t j = 0; j < jobCount; ++j) {
            built[j].acquire();
            PaintCurve(painter, mShapes[static_cast<std::size_t>(jobs[j])], CurveColor(jobs[j]),
                       cut, x0 / kFillColumns, (x1 + kFillColumns - 1) / kFillColumns);
        }
        painter.end();
        stripDone[static_cast<std::size_t>(strip)].release();
    };
    std::atomic<int> nextStrip{0};
    const std::function<void()> work = [&] {
        buildOutlines();
        for (int strip = nextStrip++; strip < stripCount; strip = nextStrip++) {
            paintStrip(strip);
        }
    };
    PoolTask task(work);
    buildOutlines();
    CurrentCurveShape(g);
    task.RunIfIdle();

    if (!strips || !MovesByWholePixels(target)) {
        task.Wait();
        target.drawImage(area.topLeft(), mStaticLayer);
        PaintCurrentCurve(target, area);
        return;
    }
    CutIntoColumns(mCurrentShape.outline, area, kFillColumns, mCurrentShape.pieces);
    for (int strip = 0; strip < stripCount; ++strip) {
        stripDone[static_cast<std::size_t>(strip)].acquire();
        const int x0 = strip * kStripColumns;
        const int x1 = std::min(area.width(), x0 + kStripColumns);
        target.drawImage(QPoint(area.left() + x0, area.top()), mStaticLayer,
                         QRect(x0, 0, x1 - x0, mStaticLayer.height()));
        if (!IsHairline(target, mCurrentShape)) {
            PaintCurve(target, mCurrentShape, QColor::fromRgba(kCurrentCurveColor), true,
                       x0 / kFillColumns, (x1 + kFillColumns - 1) / kFillColumns);
        }
    }
    task.Wait();
    if (IsHairline(target, mCurrentShape)) {
        PaintCurve(target, mCurrentShape, QColor::fromRgba(kCurrentCurveColor), false, 0, 0);
    }
}

void UIEqualizer::UpdateGridColumns(const EqGeometry& g) {
    if (mCurveCount == 0) {
        return;
    }
    const FrequencyGrid& frequencies = mCurves[0].frequencies;
    if (frequencies == mGridFrequencies && g.Left() == mGridLeft && g.Width() == mGridWidth) {
        return;
    }
    mGridFrequencies = frequencies;
    mGridLeft = g.Left();
    mGridWidth = g.Width();
    for (std::size_t k = 0; k < frequencies.size(); ++k) {
        mGridColumns[k] = g.XOfFreqF(frequencies[k]);
    }
}

double UIEqualizer::OtherCurveWidth(const EqGeometry& g) const {
    return mCurveColorCount > mCurrentChannel ? g.Scale() * 2.0 / 100 : g.Scale() * 3.0 / 100;
}

void UIEqualizer::BuildCurveShape(const EqGeometry& g, const ChannelCurve& curve, bool smooth,
                                  double width, CurveShape& shape) {
    shape.line.clear();
    shape.outline.clear();
    shape.width = width;
    std::array<QPoint, CURVE_POINTS> pixels;
    const bool onGrid =
        curve.frequencies == mGridFrequencies && g.Left() == mGridLeft && g.Width() == mGridWidth;
    const int n = CollectCurvePixels(
        g, curve.frequencies, curve.levels, kCurveLoHz, kCurveHiHz, smooth, pixels,
        onGrid ? std::span<const double>(mGridColumns) : std::span<const double>());
    if (n < 2) {
        return;
    }
    // The chain is every point but the last. Stroking its flattened form gives the same
    // line as stroking the Bezier segments, far faster.
    QPainterPath chain;
    AddBezierChain(chain, std::span<const QPoint>(pixels.data(), static_cast<std::size_t>(n - 1)));
    const QList<QPolygonF> flat = chain.toSubpathPolygons();
    if (!flat.isEmpty()) {
        shape.line = flat.front();
        StrokeOutline(shape.line, width, shape.outline);
    }
}

void UIEqualizer::CurrentCurveShape(const EqGeometry& g) {
    if (mCurrentChannel >= 0 && mCurrentChannel < mCurveCount) {
        BuildCurveShape(g, mCurves[static_cast<std::size_t>(mCurrentChannel)], false,
                        g.Scale() * 2.0 / 100, mCurrentShape);
    } else {
        mCurrentShape = {};
    }
}

bool UIEqualizer::IsHairline(const QPainter& painter, const CurveShape& shape) {
    const QTransform t = painter.deviceTransform();
    const double scale = std::sqrt(
        std::max(t.m11() * t.m11() + t.m21() * t.m21(), t.m12() * t.m12() + t.m22() * t.m22()));
    return shape.width * scale <= 1.0;
}

void UIEqualizer::PaintCurve(QPainter& painter, const CurveShape& shape, const QColor& color,
                             bool pieces, int first, int last) {
    if (shape.line.size() < 2) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (IsHairline(painter, shape)) {
        painter.setPen(QPen(color, shape.width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(shape.line);
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    if (pieces) {
        FillPieces(painter, shape.pieces, first, last);
    } else {
        painter.drawPolygon(shape.outline.data(), static_cast<int>(shape.outline.size()),
                            Qt::WindingFill);
    }
}

void UIEqualizer::PaintCurrentCurve(QPainter& painter, const QRect& area) {
    const bool pieces = MovesByWholePixels(painter);
    if (pieces) {
        CutIntoColumns(mCurrentShape.outline, area, kFillColumns, mCurrentShape.pieces);
    }
    PaintCurve(painter, mCurrentShape, QColor::fromRgba(kCurrentCurveColor), pieces, 0,
               static_cast<int>(mCurrentShape.pieces.pieces.size()));
}

void UIEqualizer::PaintTexts(QPainter& painter, const EqGeometry& g) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(SkinFontAt(mStyle.font, *this, g.Scale()));
    const int dpi = painter.device() != nullptr ? painter.device()->logicalDpiX() : 0;
    if (painter.font() != mLabelFont || dpi != mLabelDpi) {
        mLabels.clear();
        mLabelFont = painter.font();
        mLabelDpi = dpi;
    }
    const QColor selected = QColor::fromRgba(kSelectedColor);
    const QColor normal = QColor::fromRgba(kLabelColor);
    for (int i = 0; i < mBandCount; ++i) {
        DrawLabel(painter, mBoxes[static_cast<std::size_t>(i)].ToRect(), QString::number(i + 1),
                  i == mCurrentControlIndex ? selected : normal);
    }
    if (HasSelection()) {
        // The values change on every step of a drag: not worth keeping.
        painter.setPen(selected);
        DrawStyledText(painter, mInfoBox.ToRect(), mInfoText, mStyle);
        if (FullMode()) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(selected, g.Scale() / 100));
            painter.setBrush(Qt::NoBrush);
            for (const EqBox& box : mQBoxes) {
                painter.drawRect(box.ToRect().adjusted(0, 0, -1, -1));
            }
            painter.setRenderHint(QPainter::Antialiasing, true);
        }
    }
    if (mHpFreq != -1) {
        DrawLabel(painter, mHpBox.ToRect(), QStringLiteral("H"),
                  mCapture == HP_CAPTURED ? selected : normal);
    }
    if (mLpFreq != -1) {
        DrawLabel(painter, mLpBox.ToRect(), QStringLiteral("L"),
                  mCapture == LP_CAPTURED ? selected : normal);
    }
}

void UIEqualizer::DrawLabel(QPainter& painter, const QRect& box, const QString& text,
                            const QColor& color) {
    // Glyphs land on the same pixels only if the picture moves by whole pixels.
    if (!MovesByWholePixels(painter)) {
        painter.setPen(color);
        DrawStyledText(painter, box, text, mStyle);
        return;
    }
    const LabelKey key{text, color.rgba(), box.size()};
    auto it = mLabels.constFind(key);
    if (it == mLabels.constEnd()) {
        if (mLabels.size() >= kMaxLabels) {
            mLabels.clear();  // a bound only: numbers, H and L in two colours are fewer
        }
        // The text drawn as it would be on the graph, onto nothing; room is left for ink
        // outside the box and for glyphs reaching past their advances.
        const QFontMetrics metrics = painter.fontMetrics();
        const QRect local(QPoint(0, 0), box.size());
        const int pad = metrics.height() / 4 + 2;
        const QRect bounds = metrics.boundingRect(local, mStyle.DrawFlags(), text)
                                 .united(local)
                                 .adjusted(-pad, -pad, pad, pad);
        Label label{QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied), bounds.topLeft()};
        label.image.fill(Qt::transparent);
        if (painter.device() != nullptr) {
            label.image.setDotsPerMeterX(qRound(painter.device()->logicalDpiX() / 0.0254));
            label.image.setDotsPerMeterY(qRound(painter.device()->logicalDpiY() / 0.0254));
        }
        {
            QPainter image(&label.image);
            image.setRenderHints(painter.renderHints());
            image.setFont(painter.font());
            image.setPen(color);
            image.translate(-bounds.topLeft());
            DrawStyledText(image, local, text, mStyle);
        }
        it = mLabels.insert(key, label);
    }
    painter.drawImage(box.topLeft() + it->offset, it->image);
}
