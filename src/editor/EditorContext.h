// What the groups of the patch editor share: the editing of the current
// patch, and the requests a group makes of the editor around it (a drawing
// to repaint after an edit, the controller assignment on a right click, the
// whole patch shown anew). The groups emit them; the editor view and the
// main window connect to them.
#pragma once

#include "editor/PatchEditing.h"

#include <QMetaMethod>
#include <QObject>

namespace velmora::editor {

enum class Drawing
{
    Dco1,
    Dco2,
    Env1,
    Env2,
    Env3,
    Tracking,
    Ramp1,
    Ramp2,
};

class EditorContext : public QObject
{
    Q_OBJECT

public:
    explicit EditorContext(PatchEditing& editing, QObject* parent = nullptr)
        : QObject(parent), editing_(editing)
    {}

    PatchEditing& editing() const { return editing_; }

    // Whether something answers a right click on a caption: without it the
    // click is left to the caption's own handling.
    bool hasCaptionMenu() const
    {
        return isSignalConnected(QMetaMethod::fromSignal(&EditorContext::captionMenuRequested));
    }

signals:
    // One drawing shows the record anew.
    void repaintRequested(velmora::editor::Drawing drawing);
    // A right click on a caption or a bus switch carrying this control index.
    void captionMenuRequested(int control);
    // Every control shows the record anew (the tracking presets rewrite the
    // curve and then show the whole patch).
    void reloadRequested();

private:
    PatchEditing& editing_;
};

} // namespace velmora::editor
