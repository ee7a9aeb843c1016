#pragma once

class QWidget;

// What the themed windows ask of the application above them. The
// application registers its implementation at start-up; without one the
// answers are empty.
class HUDWindowServices {
public:
    virtual ~HUDWindowServices() = default;
    // The application's main window, or null.
    virtual QWidget* klWindow() { return nullptr; }

    static HUDWindowServices* shared();
    // Not owned; pass null to unregister.
    static void setShared(HUDWindowServices* services);
};
