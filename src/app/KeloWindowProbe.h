#pragma once

#include <QString>
#include <QTimer>

class KeloRemote;

// Lets a test that runs the real program check its window from the
// widgets. Set by the environment: "KELO_LOG_WINDOW" names a listing file,
// rewritten every second as servers come and go (the log owns standard
// output); "KELO_WINDOW_SHOT" a picture of the window saved with it;
// "KELO_CLICK_SERVER" a server whose Status tab cell is clicked once it has
// one; "KELO_PICK_POPOVER" ("name=title") an item of a pop-over of the
// server-list panel picked as the operator does, with the screen saved to
// "KELO_POPOVER_SHOT" while the pop-over shows; "KELO_SELECT_TAB" a tab (by
// its label) selected at the first step; "KELO_EDIT_PREF" ("key=value") a
// preference of the clicked server set from its list in the Preferences tab
// once the list shows it; "KELO_SHOW_EDITOR" (any text) the content editor
// window opened for the clicked server, its picture saved beside the
// window's. Without a listing file it does nothing.
//
// Threads: main thread only.
class KeloWindowProbe {
public:
    explicit KeloWindowProbe(KeloRemote& remote);
    KeloWindowProbe(const KeloWindowProbe&) = delete;
    KeloWindowProbe& operator=(const KeloWindowProbe&) = delete;

    void start();

private:
    void step();
    bool pickPopOverItem();
    bool editPreference();
    void writeListing();

    KeloRemote& remote_;
    QString listingPath_;
    QString picturePath_;
    QString clickServer_;
    QString popOverName_;
    QString popOverTitle_;
    QString popOverPicturePath_;
    QString popOverSeen_;
    QString selectTab_;
    bool popOverPicked_ = false;
    QString editKey_;
    QString editValue_;
    bool edited_ = false;
    bool showEditor_ = false;
    QTimer timer_;
};
