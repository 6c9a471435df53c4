#include "graph/equalizer.h"

#include <QDynamicPropertyChangeEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <limits>

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

// Runs drawing steps on threads of the global pool and waits for them. Off the pool, Qt's
// raster engine splits wide span fills across the pool's threads; for thin antialiased
// curves the hand-offs cost more than they save (about half the paint time on two
// cores), while on a pool thread it fills serially. The result is the same pixels. A step
// that finds no free pool thread runs here.
void RasterizeOnPool(std::initializer_list<std::function<void()>> steps) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        for (const auto& step : steps) {
            step();
        }
        return;
    }
    QSemaphore done;
    int started = 0;
    for (const auto& step : steps) {
        if (pool->tryStart([&step, &done] {
                step();
                done.release();
            })) {
            ++started;
        } else {
            step();
        }
    }
    done.acquire(started);
}

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
        // handled
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

    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (QSizeF(area.size()) * ratio).toSize();
    const QString bypassText = mCurveLogo.isEmpty() && mAllFlat
                                   ? tonvia::ui::Translate(QStringLiteral("${all_bypass}"))
                                   : QString();
    if (mStaticDirty || mStaticLayer.size() != pixels || mStaticLayer.devicePixelRatio() != ratio ||
        bypassText != mStaticBypassText) {
        if (mStaticLayer.size() != pixels) {
            mStaticLayer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        }
        mStaticLayer.setDevicePixelRatio(ratio);
        if (mBackground.alpha() != 255) {
            mStaticLayer.fill(Qt::transparent);
        }
        PaintStillLayer(area, g, bypassText);
        mStaticBypassText = bypassText;
        mStaticDirty = false;
    }
    painter.drawImage(area.topLeft(), mStaticLayer);

    if (mCurrentChannel >= 0 && mCurrentChannel < mCurveCount) {
        PaintCurve(painter, g, mCurves[static_cast<std::size_t>(mCurrentChannel)], false,
                   QColor::fromRgba(kCurrentCurveColor), g.Scale() * 2.0 / 100);
    }
    PaintTexts(painter, g);
    painter.restore();
}

void UIEqualizer::PaintBackdrop(QPainter& painter, const EqGeometry& g, const QString& bypassText,
                                const QFont& bypassFont) {
    const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, mBackground);

    const int lineWidth = g.Scale() / 100;
    QPen grid(QColor::fromRgba(kGridColor), lineWidth);
    painter.setPen(grid);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.drawLine(g.Left(), g.ZeroY(), g.Left() + g.Width(), g.ZeroY());
    for (int hz : kGridFrequencies) {
        if (hz != 20000) {
            const int x = g.XOfFreq(hz);
            painter.drawLine(x, g.Top(), x, g.Bottom());
        }
    }
    grid.setStyle(Qt::DotLine);
    painter.setPen(grid);
    for (int db : kGridLevels) {
        const int y = g.YOfGain(db);
        painter.drawLine(g.Left(), y, g.Right(), y);
    }

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

void UIEqualizer::PaintStillLayer(const QRect& area, const EqGeometry& g,
                                  const QString& bypassText) {
    // Background, grid and logo or text are drawn here: pixmaps and the widget's fonts
    // belong to this thread, and a dotted line cut at a half's edge would restart its dots.
    // The curves follow on the pool.
    {
        QPainter layer(&mStaticLayer);
        layer.translate(-area.topLeft());
        PaintBackdrop(layer, g, bypassText, SkinFontAt(mBypassFont, *this, g.Scale()));
    }
    const double width = OtherCurveWidth(g);
    auto paint = [&](QImage& target, int offset) {
        QPainter painter(&target);
        painter.translate(-area.left() - offset, -area.top());
        const double lo =
            offset == 0 ? -std::numeric_limits<double>::infinity() : area.left() + offset;
        const double hi = offset + target.width() >= area.width()
                              ? std::numeric_limits<double>::infinity()
                              : area.left() + offset + target.width();
        for (int i = 0; i < mCurveCount; ++i) {
            if (i == mCurrentChannel || !mShow[static_cast<std::size_t>(i)]) {
                continue;
            }
            PaintCurve(painter, g, mCurves[static_cast<std::size_t>(i)], true, CurveColor(i), width,
                       lo, hi);
        }
    };
    // Two halves of the layer, each its own image over the same pixels, drawn at once on
    // two threads; each strokes only the part of a curve that can reach its half.
    const int split = mStaticLayer.width() / 2;
    if (!mSplitPainting || mStaticLayer.devicePixelRatio() != 1.0 || split < 64) {
        RasterizeOnPool({[&] { paint(mStaticLayer, 0); }});
        return;
    }
    uchar* bits = mStaticLayer.bits();
    const qsizetype stride = mStaticLayer.bytesPerLine();
    const int depth = mStaticLayer.depth() / 8;
    QImage left(bits, split, mStaticLayer.height(), stride, mStaticLayer.format());
    QImage right(bits + static_cast<qsizetype>(split) * depth, mStaticLayer.width() - split,
                 mStaticLayer.height(), stride, mStaticLayer.format());
    RasterizeOnPool({[&] { paint(left, 0); }, [&] { paint(right, split); }});
}

double UIEqualizer::OtherCurveWidth(const EqGeometry& g) const {
    return mCurveColorCount > mCurrentChannel ? g.Scale() * 2.0 / 100 : g.Scale() * 3.0 / 100;
}

void UIEqualizer::PaintCurve(QPainter& painter, const EqGeometry& g, const ChannelCurve& curve,
                             bool smooth, const QColor& color, double width, double xLo,
                             double xHi) {
    std::array<QPoint, CURVE_POINTS> pixels;
    const int n = CollectCurvePixels(g, curve.frequencies, curve.levels, kCurveLoHz, kCurveHiHz,
                                     smooth, pixels);
    if (n < 2) {
        return;
    }
    // The chain is every point but the last, from high to low frequency, so x falls along
    // it. Only the segments that can reach [xLo, xHi] are stroked: the chain is cut at
    // segment boundaries (three points each, counted from its start, so every segment keeps
    // its control points) a segment and a pen width beyond the range, where the cut ends
    // cannot show.
    const int chain = n - 1;
    int first = 0;
    int last = chain - 1;
    if (std::isfinite(xHi) || std::isfinite(xLo)) {
        const double margin = width + 2.0;
        while (first < chain && pixels[static_cast<std::size_t>(first)].x() > xHi + margin) {
            ++first;
        }
        while (last >= 0 && pixels[static_cast<std::size_t>(last)].x() < xLo - margin) {
            --last;
        }
        first = std::max(0, (std::max(0, first - 1) / 3 - 1) * 3);
        const int end = (std::min(chain - 1, last + 1) + 2) / 3 * 3 + 3;
        last = end >= chain - 1 ? chain - 1 : end;
    }
    if (last <= first) {
        return;
    }
    QPainterPath path;
    AddBezierChain(path, std::span<const QPoint>(pixels.data() + first,
                                                 static_cast<std::size_t>(last - first + 1)));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin));
    // Stroking the flattened chain gives the same line; the stroker offsets Bézier
    // segments far more slowly than straight ones.
    const QList<QPolygonF> flat = path.toSubpathPolygons();
    if (!flat.isEmpty()) {
        painter.drawPolyline(flat.front());
    }
}

void UIEqualizer::PaintTexts(QPainter& painter, const EqGeometry& g) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(SkinFontAt(mStyle.font, *this, g.Scale()));
    const QColor selected = QColor::fromRgba(kSelectedColor);
    const QColor normal = QColor::fromRgba(kLabelColor);
    for (int i = 0; i < mBandCount; ++i) {
        painter.setPen(i == mCurrentControlIndex ? selected : normal);
        DrawStyledText(painter, mBoxes[static_cast<std::size_t>(i)].ToRect(),
                       QString::number(i + 1), mStyle);
    }
    if (HasSelection()) {
        painter.setPen(selected);
        DrawStyledText(painter, mInfoBox.ToRect(), mInfoText, mStyle);
        if (FullMode()) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(selected, g.Scale() / 100));
            for (const EqBox& box : mQBoxes) {
                painter.drawRect(box.ToRect().adjusted(0, 0, -1, -1));
            }
            painter.setRenderHint(QPainter::Antialiasing, true);
        }
    }
    if (mHpFreq != -1) {
        painter.setPen(mCapture == HP_CAPTURED ? selected : normal);
        DrawStyledText(painter, mHpBox.ToRect(), QStringLiteral("H"), mStyle);
    }
    if (mLpFreq != -1) {
        painter.setPen(mCapture == LP_CAPTURED ? selected : normal);
        DrawStyledText(painter, mLpBox.ToRect(), QStringLiteral("L"), mStyle);
    }
}
