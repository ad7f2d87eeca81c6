#pragma once

class QWidget;

// A container shows one view at a time: a plain QWidget whose QVBoxLayout
// holds only the current view (the layout is made when missing).

// Puts view into container as its only shown content. A current view is
// hidden and taken out of the layout but stays alive (parented to the
// container) for later reuse; the new view then fades in over durationMs
// (no fade when durationMs <= 0). Showing the current view again fades it in
// again. Into an empty container the view goes without animation.
void MLSwapView(QWidget *container, QWidget *view, int durationMs = 150);

// The view the container shows, or nullptr.
QWidget *MLCurrentView(QWidget *container);
