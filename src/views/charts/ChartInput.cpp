// The chart monitor's input: moving the view over the log, the detail cursor by mouse and
// keys, and which keys the charts take from a focused widget.
#include "views/charts/ChartMon.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>

using namespace Charts;

namespace {

bool takesText(const QWidget* w) {
    if (const auto* line = qobject_cast<const QLineEdit*>(w)) {
        return !line->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QTextEdit*>(w)) {
        return !text->isReadOnly();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(w)) {
        return !plain->isReadOnly();
    }
    return qobject_cast<const QAbstractSpinBox*>(w) != nullptr;
}

} // namespace

bool KeyTypedIntoFocus(const QWidget* focus, int key) {
    if (!takesText(focus)) {
        return false;
    }
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde; // a character
    }
}

// ---- the view ----

void TChartMon::viewMoved() {
    view.SetFollowing(view.Position() >= view.ScrollMax(Count(), speed));
    changed();
}

void TChartMon::ScrollTo(int position) {
    view.SetPosition(position, Count(), speed);
    viewMoved();
}

void TChartMon::ZoomAt(int viewX, double factor) {
    if (view.Following() && Running && Count() > 0) {
        // While following, the newest frame stays where it is.
        viewX = view.ViewX(Count() - 1);
    }
    view.ZoomAround(viewX, factor, Count(), speed);
    if (!view.Following()) {
        viewMoved();
        return;
    }
    changed();
}

void TChartMon::FitLog() {
    view.Fit(Count(), speed);
    viewMoved();
}

void TChartMon::GoHome() {
    ScrollTo(0);
}

void TChartMon::GoEnd() {
    view.SetPosition(view.ScrollMax(Count(), speed), Count(), speed);
    view.SetFollowing(true);
    changed();
}

void TChartMon::InspectFrame(int frame) {
    if (Running || Busy() || Tracking || Count() == 0) {
        return;
    }
    frame = std::clamp(frame, 0, Count() - 1);
    if (!Inspecting) {
        Inspecting = true;
        startCursor(cursor);
    }
    moveCursor(frame);
}

// ---- cursor ----

void TChartMon::startCursor(int frame) {
    SetDetail(frame);
    changed();
}

void TChartMon::moveCursor(int frame) {
    if (frame != cursor) {
        SetDetail(frame);
    }
    if (!view.Shows(frame)) {
        view.Reveal(frame, Count(), speed);
        viewMoved();
        return;
    }
    changed();
}

void TChartMon::endCursor(int frame) {
    SetDetail(frame);
    changed();
}

void TChartMon::GraphMousePress(int viewX, int y) {
    if (Busy()) {
        return;
    }
    // Whatever strip it was on, the press names the frame the popup menu acts on.
    MouseX = FrameAt(viewX);
    const int k = chartAt(y);
    if (Running || k < 0) {
        return;
    }
    if (Inspecting) {
        Inspecting = false;
        endCursor(cursor);
    }
    if (!Tracking) {
        Tracking = true;
        CurrentChart = k;
        startCursor(MouseX);
    }
}

void TChartMon::GraphMouseMove(int viewX, int y) {
    if (!Tracking) {
        return;
    }
    const int k = chartAt(y);
    if (k >= 0) {
        CurrentChart = k;
    }
    MouseX = FrameAt(viewX);
    moveCursor(MouseX);
}

void TChartMon::GraphMouseRelease(int viewX, int) {
    if (!Tracking) {
        return;
    }
    MouseX = FrameAt(viewX);
    Tracking = false;
    endCursor(MouseX);
}

// ---- keys ----

bool TChartMon::KeyDown(int key, Qt::KeyboardModifiers shift) {
    if (viewKey(key, shift)) {
        return true;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (Running) {
        if (digit) {
            const int note = key == Qt::Key_0 ? 10 : key - Qt::Key_0; // "0" is note 10
            PendingNote = 1u << (note - 1);
        }
        return digit;
    }
    if (Busy()) {
        return false;
    }
    if (noteKey(key)) {
        return true;
    }
    return !Tracking && inspectKey(key, shift);
}

bool TChartMon::noteKey(int key) {
    if (cursor >= Count() || !(Inspecting || Tracking)) {
        return false;
    }
    if (key == Qt::Key_Delete) {
        const int noted = notesVisible ? Notes.NearestNoted(cursor) : -1;
        if (noted < 0) {
            return false;
        }
        SetFrameNotes(noted, 0);
        SetDetail(cursor);
        return true;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        const int note = key == Qt::Key_0 ? 10 : key - Qt::Key_0;
        SetFrameNotes(cursor, Notes.Mask(cursor) | (1u << (note - 1)));
        SetDetail(cursor);
        return true;
    }
    return false;
}

// Keys that move the view; only while the charts are on the screen.
bool TChartMon::viewKey(int key, Qt::KeyboardModifiers) {
    if (!isVisible() || Busy() || Tracking) {
        return false;
    }
    const int around = view.Shows(cursor) && Count() > 0 ? view.ViewX(cursor) : view.Width() / 2;
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAt(around, 0.5);
        return true;
    case Qt::Key_Minus:
        ZoomAt(around, 2);
        return true;
    case Qt::Key_Home:
        if (Inspecting && !Running) {
            moveCursor(0);
        }
        GoHome();
        return true;
    case Qt::Key_End:
        if (Inspecting && !Running) {
            moveCursor(std::max(Count() - 1, 0));
        }
        GoEnd();
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (Inspecting && !Running) {
            return false; // the cursor moves a screen (inspectKey)
        }
        ScrollTo(view.Position() + (key == Qt::Key_PageUp ? -view.Width() : view.Width()));
        return true;
    default:
        return false;
    }
}

void TChartMon::stepCursor(int frames) {
    if (Count() > 0) {
        moveCursor(std::clamp(cursor + frames, 0, Count() - 1));
    }
}

bool TChartMon::inspectKey(int key, Qt::KeyboardModifiers shift) {
    const int step = (shift & Qt::ControlModifier) ? F2DeltaCtrl : F2Delta;
    const int screen = std::max(1, view.EndVisibleFrame(Count()) - view.FirstVisibleFrame(Count()));
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (Inspecting) {
            Inspecting = false;
            endCursor(cursor);
            return true;
        }
        if (key == Qt::Key_F2) {
            Inspecting = true;
            startCursor(cursor);
            return true;
        }
        return false;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!Inspecting) {
            return false;
        }
        stepCursor(key == Qt::Key_Left ? -step : step);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (!Inspecting) {
            return false;
        }
        stepCursor(key == Qt::Key_PageUp ? -screen : screen);
        return true;
    default:
        return false;
    }
}
