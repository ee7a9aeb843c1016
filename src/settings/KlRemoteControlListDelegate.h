#pragma once

#include <QString>

// What the preference list's window layer is told; the model itself shows
// nothing. Every method has an empty default.
class KlRemoteControlListDelegate {
public:
    virtual ~KlRemoteControlListDelegate() = default;
    // A refused or adjusted value: the text goes in an overlay with an OK
    // button next to the preference's value.
    virtual void showWarning(const QString& key, const QString& text) {
        (void)key;
        (void)text;
    }
    // The preference is selected (again): its editor shows the entry afresh.
    virtual void prefSelected(const QString& key, bool allowScroll) {
        (void)key;
        (void)allowScroll;
    }
    // The editor's fields were loaded from the selected entry.
    virtual void editValuesLoaded() {}
    // The dictionary or its order changed: lay the rows out again.
    virtual void dictionaryChanged() {}
    virtual void hideInRowEditors() {}
    virtual void setNeedsDisplay() {}
    // The commit button blinks while an item edit is uncommitted.
    virtual void commitButtonFlash(bool green) { (void)green; }
    virtual void windowTitleChanged(const QString& title) { (void)title; }
    virtual void compareMenuChanged() {}
    // Show or hide the comparison side.
    virtual void comparingChanged(bool comparing) { (void)comparing; }
};
