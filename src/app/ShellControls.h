#pragma once

namespace vr
{
// What the command target asks of the window's content: the views, the
// library's file and clipboard operations, the dialogs and the end of the
// program. The main component is the real one; flow tests use a recording one.
class ShellControls
{
public:
    virtual ~ShellControls() = default;

    virtual void setViewsEnabled (bool enabled) = 0;
    // The current program or its number changed: the strip and the views follow.
    virtual void programChanged() = 0;
    virtual void enableTransferButtons() = 0;
    // Clears both tables' selections and selects the row of a program number
    // (0-199 the unit list, 200-399 the factory list), scrolled into view.
    virtual void selectProgramRow (int programNumber) = 0;
    // The unit table's last selected row, -1 when none is selected.
    virtual int getUnitLastSelectedRow() const = 0;

    virtual void openFile() = 0;
    virtual void openBackup() = 0;
    virtual void saveAs() = 0;
    virtual void exportSysex() = 0;
    virtual void closeFiles() = 0;
    virtual void cut() = 0;
    virtual void clear() = 0;
    virtual void copy() = 0;
    virtual void paste() = 0;
    virtual void insert() = 0;

    virtual void showMidiSetup() = 0;
    virtual void showAboutDialog() = 0;
    // The window listing every MIDI message in and out, beside this one.
    virtual void showMidiMonitor() = 0;

    virtual void quitApplication() = 0;
};
} // namespace vr
