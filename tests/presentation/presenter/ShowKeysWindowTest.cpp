// The keys of the operator and of a presentation remote, sent to the presenter window and to the
// audience window: both hand the same action to the show, Escape excepted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <vector>

#include "Preview.h"
#include "presenter/Presenter.h"

namespace {

struct TKeyCase {
    int Key;
    TShowKey Action;
};

const TKeyCase KeyTable[] = {
    {Qt::Key_PageDown, TShowKey::Next},   {Qt::Key_Right, TShowKey::Next},
    {Qt::Key_Down, TShowKey::Next},       {Qt::Key_Space, TShowKey::Next},
    {Qt::Key_PageUp, TShowKey::Previous}, {Qt::Key_Left, TShowKey::Previous},
    {Qt::Key_Up, TShowKey::Previous},     {Qt::Key_Backspace, TShowKey::Previous},
    {Qt::Key_Home, TShowKey::First},      {Qt::Key_End, TShowKey::Last},
    {Qt::Key_B, TShowKey::Blank},         {Qt::Key_Period, TShowKey::Blank},
    {Qt::Key_P, TShowKey::Pause},         {Qt::Key_Return, TShowKey::None},
    {Qt::Key_Q, TShowKey::None},
};

void Press(QWidget& window, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
}

TEST(ShowKeysWindowTest, BothWindowsHandTheSameActionsToTheShow) {
    TFormPreview audience;
    TFormPresenter presenter;
    std::vector<TShowKey> fromAudience;
    std::vector<TShowKey> fromPresenter;
    int audienceSteps = 0;
    audience.ShowKey = [&](TShowKey action) { fromAudience.push_back(action); };
    audience.NextImage = [&](TFormPreview&) { ++audienceSteps; };
    audience.PreviousImage = [&](TFormPreview&) { ++audienceSteps; };
    presenter.ShowKey = [&](TShowKey action) { fromPresenter.push_back(action); };
    for (const TKeyCase& c : KeyTable) {
        fromAudience.clear();
        fromPresenter.clear();
        Press(audience, c.Key);
        Press(presenter, c.Key);
        const std::vector<TShowKey> expected =
            c.Action == TShowKey::None ? std::vector<TShowKey>{} : std::vector<TShowKey>{c.Action};
        EXPECT_EQ(fromAudience, expected) << c.Key;
        EXPECT_EQ(fromPresenter, expected) << c.Key;
    }
    // The keys go through the show alone: the audience window's own mouse steps are not used for them.
    EXPECT_EQ(audienceSteps, 0);
}

TEST(ShowKeysWindowTest, EscapeEndsTheAudienceWindowAndStopsTheShowFromThePresenter) {
    TFormPreview audience;
    TFormPresenter presenter;
    int audienceStops = 0;
    int presenterStops = 0;
    bool audienceClosed = false;
    audience.StopSlideshow = [&] { ++audienceStops; };
    audience.WindowClosed = [&](TFormPreview&) { audienceClosed = true; };
    audience.ShowKey = [&](TShowKey) { ADD_FAILURE() << "Escape is the audience window's own"; };
    presenter.StopShow = [&] { ++presenterStops; };
    presenter.ShowKey = [&](TShowKey) { ADD_FAILURE() << "Escape stops the show"; };
    audience.show();
    presenter.show();

    Press(audience, Qt::Key_Escape);
    EXPECT_EQ(audienceStops, 1);
    EXPECT_TRUE(audienceClosed);
    EXPECT_FALSE(audience.isVisible());

    Press(presenter, Qt::Key_Escape);
    EXPECT_EQ(presenterStops, 1);
    presenter.ButtonStop->click();
    EXPECT_EQ(presenterStops, 2);
}

TEST(ShowKeysWindowTest, ThePresentersButtonsAreTheKeysActionsAndTakeNoFocus) {
    TFormPresenter presenter;
    std::vector<TShowKey> actions;
    presenter.ShowKey = [&](TShowKey action) { actions.push_back(action); };
    for (QPushButton* button :
         {presenter.ButtonPrevious, presenter.ButtonPause, presenter.ButtonNext, presenter.ButtonBlank}) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
        button->click();
    }
    EXPECT_EQ(actions,
              (std::vector<TShowKey>{TShowKey::Previous, TShowKey::Pause, TShowKey::Next, TShowKey::Blank}));
}

TEST(ShowKeysWindowTest, AHandlerThatFailsDoesNotEscapeTheWindow) {
    TFormPresenter presenter;
    TFormPreview audience;
    presenter.ShowKey = [](TShowKey) { throw std::runtime_error("step failed"); };
    audience.ShowKey = [](TShowKey) { throw std::runtime_error("step failed"); };
    EXPECT_NO_THROW(Press(presenter, Qt::Key_PageDown));
    EXPECT_NO_THROW(Press(audience, Qt::Key_PageDown));
}

}  // namespace
