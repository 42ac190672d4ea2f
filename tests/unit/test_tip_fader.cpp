// The tooltip's fade over its 10 ms passes: fading in, holding, fading out, hiding, and what a new tip or
// the end of a tip does at each point of that.
#include "overlays/TipFader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PassRecord {
    TipPassWork work;
    int alpha;
    int hold;
};

// Runs `count` passes and records what each asked for and left behind.
std::vector<PassRecord> RunPasses(TipFader& fader, int count) {
    std::vector<PassRecord> passes;
    for (int i = 0; i < count; ++i) {
        TipPassWork work = fader.Pass();
        passes.push_back({work, fader.TipAlpha(), fader.HoldTicks()});
    }
    return passes;
}

// Passes until the fader has nothing left to do; the number of passes, or -1 past `limit`.
int PassesUntilIdle(TipFader& fader, int limit = 10000) {
    for (int i = 0; i < limit; ++i) {
        if (!fader.Ticking()) return i;
        fader.Pass();
    }
    return -1;
}

TEST(TipFader, AnEightHundredMillisecondTipFadesInHoldsFadesOutAndIsHidden) {
    TipFader fader;
    EXPECT_FALSE(fader.Ticking()) << "a fader without a tip must let its thread sleep";
    fader.Show(800);
    EXPECT_EQ(fader.TipAlpha(), 0);
    EXPECT_EQ(fader.HoldTicks(), 80);
    EXPECT_TRUE(fader.Ticking());

    std::vector<PassRecord> passes = RunPasses(fader, 104);
    // In: 25, 50, ..., 250, then 255 at the 11th pass (110 ms); the hold does not count meanwhile.
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(passes[i].alpha, 25 * (i + 1)) << "pass " << i + 1;
        EXPECT_EQ(passes[i].hold, 80) << "pass " << i + 1;
    }
    EXPECT_EQ(passes[10].alpha, 255);
    EXPECT_EQ(passes[10].hold, 80);
    // The hold: 80 passes at full opacity.
    for (int i = 11; i < 91; ++i) {
        EXPECT_EQ(passes[i].alpha, 255) << "pass " << i + 1;
        EXPECT_EQ(passes[i].hold, 90 - i) << "pass " << i + 1;
    }
    // Out: 230, 205, ..., 5, 0.
    for (int i = 91; i < 101; ++i) EXPECT_EQ(passes[i].alpha, 230 - 25 * (i - 91)) << "pass " << i + 1;
    for (int i = 0; i < 102; ++i) EXPECT_EQ(passes[i].work, TipPassWork::Show) << "pass " << i + 1;
    // Gone after 102 passes (1.02 s): the next pass hides the window, then there is nothing to do.
    EXPECT_EQ(passes[101].alpha, 0);
    EXPECT_EQ(passes[102].work, TipPassWork::Hide);
    EXPECT_EQ(passes[103].work, TipPassWork::None);
    EXPECT_FALSE(fader.Ticking());
    EXPECT_FALSE(fader.WantsVisible());
}

TEST(TipFader, EndingTheHoldFadesOutFromThePresentOpacity) {
    struct Row {
        const char* when;
        int passesBeforeEnd;  // after Show(800)
        int alphaAtEnd;
        int passesToTransparent;
    } rows[] = {
        {"holding", 30, 255, 11},  // the settings view opens a picker while a tip holds: out in 110 ms
        {"fading in", 4, 100, 4},  // out from where the fade-in was: 75, 50, 25, 0
        {"just shown", 0, 0, 0},   // nothing was visible yet
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.when);
        TipFader fader;
        fader.Show(800);
        RunPasses(fader, row.passesBeforeEnd);
        ASSERT_EQ(fader.TipAlpha(), row.alphaAtEnd);
        fader.EndHold();
        EXPECT_EQ(fader.HoldTicks(), 0);
        int passes = 0;
        while (fader.TipAlpha() > 0 && passes < 100) {
            int before = fader.TipAlpha();
            EXPECT_EQ(fader.Pass(), TipPassWork::Show);
            EXPECT_EQ(fader.TipAlpha(), before > 25 ? before - 25 : 0);
            ++passes;
        }
        EXPECT_EQ(passes, row.passesToTransparent);
        // A window the passes showed is hidden by the next one; one never shown needs nothing.
        EXPECT_EQ(fader.Pass(), row.passesBeforeEnd > 0 ? TipPassWork::Hide : TipPassWork::None);
        EXPECT_FALSE(fader.Ticking());
    }
}

TEST(TipFader, ANewTipDuringTheFadeOutStartsAgainFromTransparent) {
    TipFader fader;
    fader.Show(100);                     // 11 in, 10 held, then out
    RunPasses(fader, 11 + 10 + 3);       // three passes into the fade-out
    ASSERT_EQ(fader.TipAlpha(), 180);
    ASSERT_EQ(fader.HoldTicks(), 0);

    fader.Show(500);
    EXPECT_EQ(fader.TipAlpha(), 0);
    EXPECT_EQ(fader.HoldTicks(), 50);
    std::vector<PassRecord> passes = RunPasses(fader, 11);
    EXPECT_EQ(passes[0].alpha, 25) << "the new tip fades in from 0, not on from 180";
    EXPECT_EQ(passes[10].alpha, 255);
    EXPECT_EQ(passes[10].hold, 50);
    EXPECT_EQ(PassesUntilIdle(fader), 50 + 11 + 1);
}

TEST(TipFader, ADurationBelowOnePassIsNeverVisible) {
    for (int duration : {0, 9, -1, -5000}) {
        SCOPED_TRACE(duration);
        TipFader fader;
        fader.Show(duration);
        EXPECT_EQ(fader.HoldTicks(), 0);
        EXPECT_FALSE(fader.WantsVisible());
        EXPECT_FALSE(fader.Ticking()) << "nothing to fade: the thread must not tick for it";
        for (const PassRecord& pass : RunPasses(fader, 5)) {
            EXPECT_EQ(pass.work, TipPassWork::None);
            EXPECT_EQ(pass.alpha, 0);
        }
    }
    TipFader ten;
    ten.Show(10);
    EXPECT_EQ(ten.HoldTicks(), 1) << "10 ms is one pass of hold";
}

TEST(TipFader, HidingAtOnceLeavesNothingToFadeOut) {
    struct Row {
        const char* when;
        int passesBeforeHide;
    } rows[] = {{"fading in", 5}, {"holding", 40}, {"fading out", 11 + 80 + 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.when);
        TipFader fader;
        fader.Show(800);
        RunPasses(fader, row.passesBeforeHide);
        ASSERT_GT(fader.TipAlpha(), 0);
        fader.Clear();  // the caller hides the window itself
        EXPECT_EQ(fader.TipAlpha(), 0);
        EXPECT_FALSE(fader.WantsVisible());
        EXPECT_FALSE(fader.Ticking());
        // A hidden tip must not come back to fade out.
        for (const PassRecord& pass : RunPasses(fader, 3)) EXPECT_EQ(pass.work, TipPassWork::None);
    }
}

TEST(TipFader, ANewTipAfterHidingAtOnceFadesInAsUsual) {
    TipFader fader;
    fader.Show(3000);
    RunPasses(fader, 50);
    fader.Clear();
    fader.Show(1200);
    std::vector<PassRecord> passes = RunPasses(fader, 12);
    EXPECT_EQ(passes[0].work, TipPassWork::Show);
    EXPECT_EQ(passes[0].alpha, 25);
    EXPECT_EQ(passes[11].alpha, 255);
    EXPECT_EQ(passes[11].hold, 119);
}

}  // namespace
