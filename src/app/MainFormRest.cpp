// An idle desktop mirror rests: after a few ticks in which nothing changed, the desktop timer
// stops waking the program and waits for the display to report drawing, which brings a tick at
// once. A slow tick goes on meanwhile for what changes without drawing on the desktop (the
// display window moved or shown again, options changed).
#include "ExtraSettings.h"
#include "capture/ualldesktop.h"
#include "mainunit.h"
#include "platform/Capabilities.h"

#include <QGuiApplication>

#include <algorithm>

namespace vexmira::app {

namespace {

constexpr int idleTicksBeforeRest = 3;
constexpr int slowTickMs = 250;

} // namespace

void TMainForm::restIfIdle(bool changed) {
    if (resting_ && Timer3zaslon->isActive()) leaveRest(); // the timer was started meanwhile
    if (changed) {
        idleTicks_ = 0;
        wakeDesktopTicks(false); // this tick was the one
        return;
    }
    if (!resting_) {
        if (++idleTicks_ < idleTicksBeforeRest || !mayRest()) return;
        Timer3zaslon->stop();
        resting_ = true;
        // The report comes from within the event pump: the tick waits until that has ended.
        desktop_->onDamageReport([this] { QTimer::singleShot(0, this, [this] { wakeDesktopTicks(); }); });
        if (!restBeat_) {
            restBeat_ = new QTimer(this);
            restBeat_->setSingleShot(true);
            connect(restBeat_, &QTimer::timeout, this, [this] {
                if (resting_) Timer3zaslonTimer();
            });
        }
    }
    restBeat_->start(std::max(slowTickMs, Timer3zaslon->interval())); // the next slow tick
}

// Only the plain desktop mirror rests: the pointer overlay, a region that follows the pointer
// and masked windows change without the desktop being drawn on.
bool TMainForm::mayRest() {
    if (SourceMode != srcDesktop || !Timer3zaslon->isActive()) return false;
    if (!platform::capabilities().damageReports) return false;
    if (Overlay.showCursor || Overlay.showRedPoint || !Extras.maskedClasses.empty()) return false;
    if (capture::fAlldesktop && capture::fAlldesktop->followsMouse()) return false;
    if (serverRoad_->covering() && serverRoad_->needsDrawing()) return false;
    return desktop_->followsDamage() && !desktop_->damagePending();
}

void TMainForm::wakeDesktopTicks(bool tickNow) {
    if (!resting_) return;
    leaveRest();
    if (SourceMode != srcDesktop && SourceMode != srcText) return; // its timer goes on under the text
    Timer3zaslon->start();
    if (tickNow)
        QTimer::singleShot(0, this, [this] {
            if (Timer3zaslon->isActive()) Timer3zaslonTimer();
        });
}

void TMainForm::leaveRest() {
    resting_ = false;
    idleTicks_ = 0;
    desktop_->onDamageReport(nullptr);
    if (restBeat_) restBeat_->stop();
}

void TMainForm::stopDesktopTicks() {
    leaveRest();
    Timer3zaslon->stop();
}

} // namespace vexmira::app
