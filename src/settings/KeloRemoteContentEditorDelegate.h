#pragma once

#include <QString>

// What the content editor's window layer is told; the model shows nothing
// itself. Every method has an empty default.
class KeloRemoteContentEditorDelegate {
public:
    virtual ~KeloRemoteContentEditorDelegate() = default;
    virtual void windowTitleChanged(const QString& title) { (void)title; }
    // The window's visibility follows the model's wish.
    virtual void showWindow(bool visible) { (void)visible; }
    // The tabs are rebuilt for the server's edition and the restricted mode.
    virtual void setupTabViews() {}
    // The item list changed; `row` is the row to select alone and scroll to
    // (-1: none).
    virtual void itemListChanged(int row) { (void)row; }
    // The current item changed: controls show it again.
    virtual void rescanCurrentItem() {}
    // The raw property-list text of the current item.
    virtual void updateTextField(const QString& text) { (void)text; }
    // A modal alert with one "OK" button.
    virtual void showAlert(const QString& message, const QString& informative) {
        (void)message;
        (void)informative;
    }
};
