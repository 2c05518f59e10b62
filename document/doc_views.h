// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

#include "model/edge_options.h"

// What the document needs of the two views, declared here so that the document builds and is
// tested without widgets. The frame attaches the real views; tests attach fakes.

class IDocView {
public:
    virtual ~IDocView() = default;
    // The document changed: re-read whatever is shown.
    virtual void OnUpdate() = 0;
    // Edge points moved without any other change (a detection ran): re-read them if shown.
    virtual void OnMeasured() {}
    // The current line was sampled afresh (a line dragged, the cursor moved): a view that shows
    // its profile re-reads it. Comes with every repaint of the side panel.
    virtual void OnProfileChanged() {}
};

// The states of the side panel's option controls, read afresh on every question.
struct PanelOptions {
    // Not an aggregate: the four options of the panel itself may be given alone, the finer
    // detection options then keeping the plain detection.
    PanelOptions() = default;
    PanelOptions(int channel_, int edgeMode_, bool autoDetect_, bool axisIndividual_,
                 const EdgeOptions& edge_ = {})
        : channel(channel_), edgeMode(edgeMode_), autoDetect(autoDetect_),
          axisIndividual(axisIndividual_), edge(edge_) {}

    int channel = 0;              // 0 the average, 1 R, 2 G, 3 B
    int edgeMode = 0;             // 0 minimum, 1 maximum, 2 steepest fall, 3 steepest rise
    bool autoDetect = true;       // detect newly drawn lines at once
    bool axisIndividual = false;  // calibration changes apply to the current image only
    EdgeOptions edge;             // line width, smoothing and sub-pixel placement of the edge
    // The caliper rule that lines drawn from now on take as their own; none: they follow the
    // plain rule above (edgeMode), as every line did before caliper rules existed.
    std::optional<CaliperRule> newLineRule = {};

    friend bool operator==(const PanelOptions&, const PanelOptions&) = default;
};

class IDataPanel : public IDocView {
public:
    virtual PanelOptions ReadOptions() = 0;
    // Sets the option controls (a session opened, an option change undone).
    virtual void WriteOptions(const PanelOptions& options) = 0;
    // Paint now, before returning, so the profile graph shows the buffer as it is.
    virtual void RepaintNow() = 0;
};

// The image view's zoom steps, smallest first. Each is exact in binary, so a scale compares
// equal to its step.
inline constexpr double kZoomSteps[] = {0.25, 0.5, 1.0, 2.0, 4.0};

inline constexpr int PICK_NONE = -1;
inline constexpr int PICK_ORIGIN = 0;
inline constexpr int PICK_XAXIS = 1;
inline constexpr int PICK_YAXIS = 2;

class IImageView : public IDocView {
public:
    virtual int GetPickMode() const = 0;
    virtual void SetPickMode(int mode) = 0;
    // The scale in effect, in logical pixels per image pixel: a zoom step, or while the view
    // fits the picture to its window, the scale that does.
    virtual double GetZoom() const = 0;
    // Keeps the steps 1/4, 1/2, 2 and 4, takes anything else as 1; the view stops fitting.
    virtual void SetZoom(double zoom) = 0;
    // Whether the view shows the whole picture at the largest scale that fits its window,
    // following resizes and picture changes.
    virtual bool IsZoomFit() const = 0;
    virtual void SetZoomFit() = 0;
    // Schedule a repaint of the whole view, without erasing first.
    virtual void InvalidateNoErase() = 0;
    // Force detection of the current line on the current image, then repaint.
    virtual void RedetectCurLine() = 0;
    // The document is about to change under the view (an undo, a redo): a drag in progress ends
    // without dropping, since what it would drop on may be gone.
    virtual void CancelDrag() = 0;
    // A calibration was edited: what the view shows of it apart from the picture (the status
    // bar's read-out) follows at once, not at the next move of the mouse.
    virtual void OnCalibrationChanged() {}
};

// The enabled and checked state of one menu item or toolbar button, as an update handler
// leaves it.
struct CCmdUI {
    bool m_bEnabled = true;
    std::optional<bool> m_checked;  // unset: the item carries no check mark of its own
    std::optional<QString> m_text;  // unset: the item keeps its text

    void Enable(bool enable = true) { m_bEnabled = enable; }
    void SetCheck(bool check = true) { m_checked = check; }
    void SetText(const QString& text) { m_text = text; }
};

// Something on the command route (a view, the document, the application, the frame): it runs
// the commands it has a handler for and says how their menu items and buttons look.
class ICmdTarget {
public:
    virtual ~ICmdTarget() = default;
    // Whether this target has a command handler for the id.
    virtual bool HandlesCommand(int id) const = 0;
    // Runs the handler of the id; false when this target has none.
    virtual bool OnCmdMsg(int id) = 0;
    // Fills in the state of the id's items; false when this target has no update handler for it.
    virtual bool OnUpdateCmdUI(int id, CCmdUI& cmdUI) const = 0;
};
