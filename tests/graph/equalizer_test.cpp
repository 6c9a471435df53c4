// The equaliser graph inside a window of the test skin ("eq_curve" is a "Curve" tag), driven
// with real mouse input.
#include "graph/equalizer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <functional>
#include <utility>
#include <vector>

#include "graph/graph_controls.h"
#include "graph_scene.h"
#include "ui/control_factory.h"
#include "ui/display_scale.h"
#include "ui_fixture.h"

namespace {

EqBand MakeBand(int freq, float gain, float q) {
    EqBand band;
    band.freq = freq;
    band.gain = gain;
    band.q = q;
    return band;
}

class EqualizerTest : public ui_testing::SkinTest {
  protected:
    void SetUp() override {
        SkinTest::SetUp();
        tonvia::graph::RegisterGraphControls();
        dialog = MakeDialog();
        ASSERT_TRUE(dialog);
        eq = dialog->FindControl(QStringLiteral("eq_curve")).As<UIEqualizer>();
        ASSERT_NE(eq, nullptr);
        dialog->GetWidget()->resize(700, 400);
        eq->setGeometry(0, 0, 600, 300);  // zero line at 120
        eq->raise();
        dialog->ShowWindow();
        eq->SetDragAllDirection(true);
        bands = {MakeBand(100, 0.0f, 1.0f), MakeBand(1000, 0.0f, 1.0f),
                 MakeBand(5000, -6.0f, 2.0f)};
        eq->SetBands(bands, -1);
    }
    void TearDown() override {
        dialog.reset();
        SkinTest::TearDown();
    }

    static QPoint Centre(const EqBox& box) {
        return {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    }
    void Press(QPoint p) { QTest::mousePress(eq, Qt::LeftButton, Qt::NoModifier, p); }
    void Move(QPoint p) { QTest::mouseMove(eq, p); }
    void Release(QPoint p) { QTest::mouseRelease(eq, Qt::LeftButton, Qt::NoModifier, p); }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        Move(to);
        Release(to);
    }
    std::size_t Count(const char* type) const {
        return dialog->NotesOf(QString::fromLatin1(type)).size();
    }

    std::unique_ptr<ui_testing::TestDialog> dialog;
    UIEqualizer* eq = nullptr;
    std::vector<EqBand> bands;
};

TEST_F(EqualizerTest, FactoryPutsTheGraphControlsBehindTheirTags) {
    EXPECT_EQ(UiControl(eq).GetClass(), QStringLiteral("UIEqualizer"));
    EXPECT_EQ(eq->GetInterface(QStringLiteral("Curve")), eq);
    EXPECT_EQ(eq->GetInterface(QStringLiteral("Label")), nullptr);
    for (const auto& [tag, cls] :
         {std::pair{"CurveAc", "UIEqualizerAc"}, std::pair{"circleprogress", "CircleProgress"}}) {
        std::unique_ptr<QWidget> w(
            tonvia::ui::CreateApplicationControl(QString::fromLatin1(tag), nullptr));
        ASSERT_TRUE(w) << tag;
        EXPECT_EQ(UiControl(w.get()).GetClass(), QString::fromLatin1(cls));
    }
}

TEST_F(EqualizerTest, HoverSelectsABandOnce) {
    const QPoint over = Centre(eq->BandBox(2));
    Move(over);
    Move(over + QPoint(1, 1));
    EXPECT_EQ(eq->CurrentControlIndex(), 2);
    EXPECT_EQ(UiControl(eq).GetUserData(), QStringLiteral("2"));
    const auto notes = dialog->NotesOf(QStringLiteral("equalizer_eq"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].sender, QStringLiteral("eq_curve"));
    EXPECT_EQ(eq->cursor().shape(), Qt::PointingHandCursor);
    Move(QPoint(590, 10));
    EXPECT_EQ(eq->cursor().shape(), Qt::ArrowCursor);
}

struct QDrag {
    int distance;
    float q;
};

TEST_F(EqualizerTest, QHandleDistanceSetsQ) {
    for (const QDrag c : {QDrag{9, 9.0f}, QDrag{81, 1.0f}, QDrag{162, 0.5f}, QDrag{-162, 0.5f},
                          QDrag{300, 0.5f}, QDrag{2, 9.0f}}) {
        eq->SetBands(bands, 1);
        const QPoint p = eq->BandPoint(1);
        // Q 1.0 puts the handles 81 pixels either side of the band.
        ASSERT_EQ(Centre(eq->QHandleBox(+1)).x(), p.x() + 81);
        ASSERT_EQ(Centre(eq->QHandleBox(-1)).x(), p.x() - 81);
        Press(Centre(eq->QHandleBox(+1)));
        EXPECT_EQ(eq->Capture(), UIEqualizer::FACTOR_CAPTURED);
        Move(QPoint(p.x() + c.distance, p.y() + 6));
        Release(QPoint(p.x() + c.distance, p.y() + 6));
        EXPECT_FLOAT_EQ(eq->Band(1).q, c.q) << c.distance;
        EXPECT_EQ(eq->Band(1).freq, 1000);
        EXPECT_EQ(eq->Capture(), UIEqualizer::NONE_CAPTURED);
    }
    EXPECT_EQ(Count("equalizer_eq_release"), 6u);
    EXPECT_EQ(Count("equalizer_eq"), 5u);  // the move to 81 px leaves Q at 1.0
}

TEST_F(EqualizerTest, BandDragMovesFrequencyAndGainInFullMode) {
    const QPoint p = eq->BandPoint(1);
    Press(p);
    EXPECT_EQ(eq->Capture(), UIEqualizer::INDEX_CAPTURED);
    EXPECT_EQ(eq->cursor().shape(), Qt::SizeAllCursor);
    Move(QPoint(400, 60));
    EXPECT_EQ(eq->Band(1).freq, 2000);
    EXPECT_FLOAT_EQ(eq->Band(1).gain, 6.0f);
    EXPECT_EQ(Count("equalizer_eq"), 1u);
    Move(QPoint(400, 60));  // nothing changed: no notification
    EXPECT_EQ(Count("equalizer_eq"), 1u);
    Release(QPoint(200, 210));
    EXPECT_EQ(eq->Band(1).freq, 200);
    EXPECT_FLOAT_EQ(eq->Band(1).gain, -9.0f);
    EXPECT_EQ(Count("equalizer_eq_release"), 1u);
    EXPECT_EQ(UiControl(eq).GetUserData(), QStringLiteral("1"));
}

TEST_F(EqualizerTest, GainOnlyModeNeverChangesFrequencyNorShowsQHandles) {
    eq->SetDragAllDirection(false);
    eq->SetBands(bands, 1);
    EXPECT_TRUE(eq->QHandleBox(-1).IsEmpty());
    EXPECT_TRUE(eq->QHandleBox(+1).IsEmpty());
    const QPoint p = eq->BandPoint(1);
    Press(QPoint(p.x() + 81, p.y() + 8));  // where a Q handle would be
    EXPECT_EQ(eq->Capture(), UIEqualizer::NONE_CAPTURED);
    Release(QPoint(p.x() + 81, p.y() + 8));

    Press(p);
    EXPECT_EQ(eq->cursor().shape(), Qt::SizeVerCursor);
    Move(QPoint(p.x() + 150, 60));
    Release(QPoint(p.x() - 200, 30));
    EXPECT_EQ(eq->Band(1).freq, 1000);
    EXPECT_EQ(eq->BandPoint(1).x(), p.x());
    EXPECT_FLOAT_EQ(eq->Band(1).gain, 9.0f);
    EXPECT_EQ(Count("equalizer_eq"), 1u);
    EXPECT_EQ(Count("equalizer_eq_release"), 1u);
}

TEST_F(EqualizerTest, DragBeyondTheEdgesClampsToTheAxisEnds) {
    Drag(eq->BandPoint(1), QPoint(900, -200));
    EXPECT_FLOAT_EQ(eq->Band(1).gain, 12.0f);
    EXPECT_EQ(eq->Band(1).freq, 20000);
    eq->SetBands(bands, -1);
    Drag(eq->BandPoint(0), QPoint(-300, 700));
    EXPECT_FLOAT_EQ(eq->Band(0).gain, -18.0f);
    EXPECT_EQ(eq->Band(0).freq, 20);
}

TEST_F(EqualizerTest, HighPassHandleNeverReachesLowPass) {
    eq->setCurEqHpLp(200, 2000);
    eq->SetBands(bands, 1);
    Press(Centre(eq->HpBox()));
    EXPECT_EQ(eq->Capture(), UIEqualizer::HP_CAPTURED);
    EXPECT_EQ(eq->CurrentControlIndex(), -1);
    Move(QPoint(390, 200));  // below 2000 Hz
    const int below = eq->HpFreq();
    EXPECT_LT(below, 2000);
    EXPECT_GT(below, 1500);
    Move(QPoint(400, 200));  // exactly 2000 Hz: refused
    Move(QPoint(550, 200));
    EXPECT_EQ(eq->HpFreq(), below);
    EXPECT_EQ(Count("equalizer_hp"), 1u);
    Release(QPoint(550, 200));  // beyond L: kept, but still announced
    EXPECT_EQ(eq->HpFreq(), below);
    EXPECT_EQ(Count("equalizer_hp_release"), 1u);
    EXPECT_EQ(eq->LpFreq(), 2000);
    EXPECT_EQ(UiControl(eq).GetUserData(), QStringLiteral("1"));  // H drags keep it
}

TEST_F(EqualizerTest, LowPassHandleNeverReachesHighPass) {
    eq->setCurEqHpLp(200, 2000);
    Press(Centre(eq->LpBox()));
    EXPECT_EQ(eq->Capture(), UIEqualizer::LP_CAPTURED);
    Move(QPoint(200, 220));  // exactly 200 Hz: refused
    EXPECT_EQ(eq->LpFreq(), 2000);
    Move(QPoint(210, 220));
    const int above = eq->LpFreq();
    EXPECT_GT(above, 200);
    Release(QPoint(-50, 220));
    EXPECT_EQ(eq->LpFreq(), above);
    EXPECT_EQ(Count("equalizer_lp"), 1u);
    EXPECT_EQ(Count("equalizer_lp_release"), 1u);
    EXPECT_EQ(eq->HpFreq(), 200);
}

TEST_F(EqualizerTest, HighPassStaysMovableWhileLowPassIsHidden) {
    eq->setCurEqHpLp(200, -1);
    Drag(Centre(eq->HpBox()), QPoint(400, 200));
    EXPECT_EQ(eq->HpFreq(), 2000);
    EXPECT_EQ(Count("equalizer_hp"), 1u);
}

TEST_F(EqualizerTest, OutOfRangeFrequenciesHideTheirHandles) {
    eq->setCurEqHpLp(200, 2000);
    const QPoint h = Centre(eq->HpBox());
    const QPoint l = Centre(eq->LpBox());
    eq->setCurEqHpLp(19, 20001);
    EXPECT_EQ(eq->HpFreq(), -1);
    EXPECT_EQ(eq->LpFreq(), -1);
    EXPECT_TRUE(eq->HpBox().IsEmpty());
    EXPECT_TRUE(eq->LpBox().IsEmpty());
    for (const QPoint p : {h, l}) {
        Press(p);
        EXPECT_EQ(eq->Capture(), UIEqualizer::NONE_CAPTURED);
        Release(p);
    }
    eq->setCurEqHpLp(20, 20000);
    EXPECT_EQ(eq->HpFreq(), 20);
    EXPECT_EQ(eq->LpFreq(), 20000);
}

TEST_F(EqualizerTest, PressOutsideEveryBoxCapturesNothing) {
    std::vector<EqBand> many;
    for (int i = 0; i < 31; ++i) {
        many.push_back(MakeBand(20 + 600 * i, 0.0f, 1.0f));
    }
    eq->SetBands(many, 30);
    EXPECT_EQ(eq->BandCount(), 31);
    const std::size_t before = dialog->notes.size();
    Press(QPoint(300, 250));
    EXPECT_EQ(eq->Capture(), UIEqualizer::NONE_CAPTURED);
    Release(QPoint(300, 250));
    EXPECT_EQ(eq->CurrentControlIndex(), 30);
    EXPECT_EQ(dialog->notes.size(), before);
}

TEST_F(EqualizerTest, SetBandsCopiesAtMost31AndTracksFlatness) {
    std::vector<EqBand> many(40, MakeBand(1000, 0.0f, 1.0f));
    eq->SetBands(many, 3);
    EXPECT_EQ(eq->BandCount(), 31);
    EXPECT_TRUE(eq->IsAllFlat());
    EXPECT_EQ(UiControl(eq).GetUserData(), QStringLiteral("3"));
    eq->SetBands(bands, 7);  // out of range: selection none, user data kept
    EXPECT_FALSE(eq->IsAllFlat());
    EXPECT_EQ(UiControl(eq).GetUserData(), QStringLiteral("3"));
    EXPECT_TRUE(eq->InfoText().isEmpty());
    eq->SetBands(bands, 2);
    EXPECT_EQ(eq->InfoText(), QStringLiteral("5000 Hz 2.00 Q -6.0 dB"));
    eq->SetDragAllDirection(false);
    eq->SetBands(bands, 2);
    EXPECT_EQ(eq->InfoText(), QStringLiteral("-6.0 dB"));
}

// ---- Painting --------------------------------------------------------------------------

class EqualizerPaintTest : public EqualizerTest {
  protected:
    QImage Render() {
        QImage image(eq->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        eq->Paint(painter);
        return image;
    }
    static ChannelCurve Flat(double db) {
        ChannelCurve curve;
        curve.frequencies = StandardFrequencyGrid();
        curve.levels.fill(db);
        return curve;
    }
};

TEST_F(EqualizerPaintTest, CurveColoursFollowTheColourListAndCurrentChannel) {
    eq->SetBands(bands, -1);
    eq->SetAttribute(QStringLiteral("CurveColor"), QStringLiteral("#FFFF8000"));
    EXPECT_EQ(eq->CurveColorCount(), 1);
    const std::vector<ChannelCurve> curves{Flat(6), Flat(-9), Flat(-3)};
    const bool show[] = {true, true, true};
    eq->SetCurves(curves, 2, show);
    const QImage image = Render();
    const int x = 300;
    EXPECT_EQ(image.pixel(x, 60), 0xFFFF8000u);                       // curve 0: its colour
    EXPECT_EQ(image.pixel(x, 210), UIEqualizer::kDefaultCurveColor);  // beyond the list
    EXPECT_EQ(image.pixel(x, 150), UIEqualizer::kCurrentCurveColor);  // current channel
}

TEST_F(EqualizerPaintTest, HiddenCurvesAndEmptyUpdatesDrawNothingNew) {
    eq->SetBands(bands, -1);
    const std::vector<ChannelCurve> curves{Flat(6), Flat(-9)};
    const bool show[] = {false, true};
    eq->SetCurves(curves, 1, show);
    eq->SetCurves({}, 0, {});  // changes nothing
    EXPECT_EQ(eq->CurveCount(), 2);
    EXPECT_EQ(eq->CurrentChannel(), 1);
    const QImage image = Render();
    EXPECT_NE(image.pixel(300, 60), UIEqualizer::kDefaultCurveColor);
    EXPECT_EQ(image.pixel(300, 210), UIEqualizer::kCurrentCurveColor);
}

// The still parts are drawn once and reused; after any change a repaint must look exactly
// like a first paint of a control that was handed the final state directly.
TEST_F(EqualizerPaintTest, RepaintAfterEachChangeMatchesAFreshControl) {
    eq->SetAttribute(QStringLiteral("curvecolor"), QStringLiteral("#FFFF8000 #FF00C0C0"));
    std::vector<ChannelCurve> curves{Flat(6), Flat(-9), Flat(-3)};
    std::vector<char> show{1, 1, 1};
    int current = 2;
    QString colors = QStringLiteral("#FFFF8000 #FF00C0C0");
    auto handIn = [&](UIEqualizer& target) {
        const bool flags[] = {show[0] != 0, show[1] != 0, show[2] != 0};
        target.SetCurves(curves, current, flags);
    };
    handIn(*eq);
    Render();  // the cached layer now holds the first state

    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"the current curve moves", [&] { curves[2] = Flat(4); }},
        {"another curve moves", [&] { curves[0] = Flat(-12); }},
        {"another curve is hidden", [&] { show[1] = 0; }},
        {"the current channel changes", [&] { current = 0; }},
        {"the colours change",
         [&] {
             colors = QStringLiteral("#FF3060FF");
             eq->SetAttribute(QStringLiteral("curvecolor"), colors);
         }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        handIn(*eq);
        const QImage repainted = Render();

        UIEqualizer fresh(dialog->GetWidget());
        fresh.setGeometry(eq->geometry());
        fresh.SetDragAllDirection(true);
        fresh.SetBands(bands, -1);
        fresh.SetAttribute(QStringLiteral("curvecolor"), colors);
        handIn(fresh);
        QImage first(fresh.size(), QImage::Format_ARGB32_Premultiplied);
        first.fill(Qt::black);
        QPainter painter(&first);
        fresh.Paint(painter);
        painter.end();
        EXPECT_TRUE(repainted == first);
    }
}

// The still curves are stroked in two halves on two threads; the seam must not show. The
// scene's curves cross the middle steeply (crossover stop bands) and gently.
TEST_F(EqualizerPaintTest, CurvesDrawnInHalvesEqualOnePass) {
    const graph_scene::Scene scene = graph_scene::MakeScene();
    auto render = [&](bool split, int width) {
        UIEqualizer graph(dialog->GetWidget());
        graph.setGeometry(0, 0, width, 300);
        graph.SetSplitPainting(split);
        graph_scene::ShowScene(graph, scene);
        QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        graph.Paint(painter);
        return image;
    };
    for (const int width : {720, 1081}) {
        SCOPED_TRACE(width);
        EXPECT_TRUE(render(true, width) == render(false, width));
    }
}

// The grid is filled as rectangles and dots where the painter allows; it must cover the
// pixels the pen draws, at every line width.
TEST_F(EqualizerPaintTest, GridCoversWhatThePenDraws) {
    const int frequencies[] = {20,   30,   40,   50,   60,   70,   80,   90,   100,
                               200,  300,  400,  500,  600,  700,  800,  900,  1000,
                               2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};
    for (const int scale : {50, 100, 150, 200, 300}) {
        SCOPED_TRACE(scale);
        UIEqualizer graph(dialog->GetWidget());
        graph.setGeometry(0, 0, tonvia::ui::ScaleUnits(720, scale) + 1,
                          tonvia::ui::ScaleUnits(300, scale));
        graph.OnDisplayScale(scale);
        graph.SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#FF202328"));
        const std::vector<EqBand> one{MakeBand(1000, 3.0f, 1.0f)};  // not flat: no bypass text
        graph.SetBands(one, -1);
        QImage drawn(graph.size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::black);
        {
            QPainter painter(&drawn);
            graph.Paint(painter);
        }
        const EqGeometry g = graph.Geometry();
        QImage pen(graph.size(), QImage::Format_ARGB32_Premultiplied);
        pen.fill(Qt::black);
        {
            QPainter painter(&pen);
            const QRect area(g.Left(), g.Top(), g.Width(), g.Height());
            painter.setClipRect(area);
            painter.fillRect(area, QColor::fromRgba(0xFF202328));
            QPen grid(QColor::fromRgba(UIEqualizer::kGridColor), g.Scale() / 100);
            painter.setPen(grid);
            painter.drawRect(area.adjusted(0, 0, -1, -1));
            painter.drawLine(g.Left(), g.ZeroY(), g.Left() + g.Width(), g.ZeroY());
            for (const int hz : frequencies) {
                painter.drawLine(g.XOfFreq(hz), g.Top(), g.XOfFreq(hz), g.Bottom());
            }
            grid.setStyle(Qt::DotLine);
            painter.setPen(grid);
            for (const int db : {-15, -10, -5, 5, 10}) {
                painter.drawLine(g.Left(), g.YOfGain(db), g.Right(), g.YOfGain(db));
            }
        }
        const QRect label = graph.BandBox(0).ToRect().adjusted(-8, -8, 8, 8);
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                differing += !label.contains(x, y) && drawn.pixel(x, y) != pen.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(differing, 0);
    }
}

// Labels are drawn once and reused; the selection, a drag and the H handle's state must
// still show as a first paint shows them.
TEST_F(EqualizerPaintTest, LabelsRepaintLikeAFirstPaint) {
    eq->setCurEqHpLp(200, 2000);
    Render();
    std::vector<EqBand> now = bands;
    int selected = -1;
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"a band is selected", [&] { selected = 1; }},
        {"another band is selected", [&] { selected = 2; }},
        {"the selected band is dragged", [&] { now[2].gain = 4.5f; }},
        {"the selection is dropped", [&] { selected = -1; }},
    };
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        change();
        eq->SetBands(now, selected);
        const QImage repainted = Render();

        UIEqualizer fresh(dialog->GetWidget());
        fresh.setGeometry(eq->geometry());
        fresh.SetDragAllDirection(true);
        fresh.setCurEqHpLp(200, 2000);
        fresh.SetBands(now, selected);
        QImage first(fresh.size(), QImage::Format_ARGB32_Premultiplied);
        first.fill(Qt::black);
        QPainter painter(&first);
        fresh.Paint(painter);
        painter.end();
        EXPECT_TRUE(repainted == first);
    }
}

TEST_F(EqualizerPaintTest, BypassTextShowsOnlyForAllFlatBandsWithoutLogo) {
    // On black the half-transparent grey text is the only dim grey in the picture.
    eq->SetAttribute(QStringLiteral("bkcolor"), QStringLiteral("#000000"));
    auto textPixels = [&] {
        const QImage image = Render();
        int n = 0;
        for (int y = 0; y < 300; ++y) {
            for (int x = 0; x < 600; ++x) {
                const QRgb c = image.pixel(x, y);
                n += qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) >= 0x28 &&
                             qRed(c) <= 0x40
                         ? 1
                         : 0;
            }
        }
        return n;
    };
    std::vector<EqBand> flatBands = bands;
    flatBands[2].gain = 0.0f;
    eq->SetBands(flatBands, -1);
    const int flat = textPixels();
    eq->SetBands(bands, -1);
    const int notFlat = textPixels();
    EXPECT_GT(flat, notFlat + 30);
    eq->SetBands(flatBands, -1);
    eq->SetAttribute(QStringLiteral("curvelogo"), QStringLiteral("file='none.png'"));
    EXPECT_LT(textPixels(), flat - 30);  // a logo replaces the text
}

}  // namespace
