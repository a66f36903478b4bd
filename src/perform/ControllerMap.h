// The controller map: which MIDI continuous controller (12..120) drives which
// editor control (its index, 0..89). Entry i of the 91-byte map holds the
// controller of control i, or 0; a controller is held by at most one entry,
// and the free-controller table says which ones no entry holds. The map is
// kept in "ccmap.dat" (the 91 bytes, entry 0 first) and written after every
// change. Incoming controllers are either learned for the control last
// right-clicked, or scaled to their parameter's range and applied to the
// current patch the way the editor's own controls apply an edit.
#pragma once

#include "editor/PatchEditing.h"
#include "perform/ControllerMapFile.h"

#include <QObject>
#include <QString>

#include <array>
#include <vector>

namespace velmora::perform {

class ControllerMap : public QObject
{
    Q_OBJECT

public:
    static constexpr int kEntries = ControllerMapFile::kEntries;
    static constexpr int kFirstController = ControllerMapFile::kFirstController;
    static constexpr int kLastController = ControllerMapFile::kLastController;
    static constexpr int kNoTarget = -1;
    static constexpr const char* kFileName = "ccmap.dat";

    // `learnPending` is the routing's flag: while it is set, the router hands
    // the next controller to handleLearning instead of handleController.
    ControllerMap(editor::PatchEditing& editing, bool& learnPending, QObject* parent = nullptr);

    // Clears the map and reads `path` when it exists; the map is written back
    // there from then on. A file that is short, or holds entries that cannot
    // be used (not 0 and not a controller 12..120, a second entry for one
    // controller, an entry for an index no control carries), is read as far
    // as it is valid (decodeControllerMap): the rest is left empty and a
    // warning is returned. An empty text means the file was read whole or
    // there was none.
    QString readMapFile(const QString& path);
    // The map's file, as set by readMapFile or setFile.
    void setFile(const QString& path) { file_ = path; }
    const QString& file() const { return file_; }
    // Writes the 91 bytes to `path` through a temporary file that then
    // replaces it, so a failed write leaves the old map. The error, or "".
    QString save(const QString& path) const;
    // Save to the map's file; a failure is reported as errorOccurred.
    void writeMap();

    // The controller of `control`, 0 for none (and for an index out of range).
    int entry(int control) const;
    // True for a controller 12..120 that no entry holds.
    bool isFree(int controller) const;
    // What the assignment list offers for `control`: 0 (none), then every
    // controller 12..120 that is free or is the control's own, ascending.
    std::vector<int> choicesFor(int control) const;
    // Gives `control` the controller (0 clears it) and writes the map when
    // that changed something. Refused for a controller another entry holds
    // and for indices no control carries.
    bool assign(int control, int controller);

    // The control last right-clicked: the one learning assigns to.
    int learnTarget() const { return learnTarget_; }
    void setLearnTarget(int control) { learnTarget_ = control; }
    bool learnPending() const { return learnPending_; }
    // "Learn Mode": the next controller 12..120 goes to the learn target.
    void requestLearning() { learnPending_ = true; }

    // The next controller after "Learn Mode". Returns the message to show,
    // or "" when there is none.
    QString handleLearning(int controller);
    // A controller value 0..127: scaled to the mapped parameter and applied.
    void handleController(int controller, int value);
    // The parameter value a controller value gives for `control`.
    static int scale(int control, int value);

signals:
    // An edit changed the patch pages' values, or the matrix page's.
    void patchEdited();
    void matrixEdited();
    // A controller flips bus `bus`'s switch (1..10): the editor flips it and
    // runs its click handler. Not connected, the bus is switched through the
    // editing alone.
    void busToggleRequested(int bus);
    // A map that could not be written.
    void errorOccurred(const QString& text);

private:
    static bool isController(int controller) { return ControllerMapFile::isController(controller); }
    static bool isMappable(int control) { return ControllerMapFile::isMappable(control); }
    void clear();
    void setFree(int controller, bool free);
    // The first entry holding `controller`, or kNoTarget.
    int indexOf(int controller) const;
    void applyPatchValue(int control, int x);
    void applyBusAmount(int control, int x);

    editor::PatchEditing& editing_;
    bool& learnPending_;
    std::array<Byte, kEntries> map_{};
    std::array<bool, kLastController + 1> free_{};
    int learnTarget_ = kNoTarget;
    QString file_;
};

} // namespace velmora::perform
