#pragma once
// What the molecule may call on the document and the views that display it.
// The application implements these; the model reaches a view only through its
// registration with the molecule or through the document's UpdateAllViews.

#include <string>

class IMoleculeDocument {
public:
    virtual ~IMoleculeDocument() = default;
    // Rebuilds the window captions from the molecule's job title; the argument
    // is only informative.
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetModifiedFlag(bool modified = true) = 0;
    // Every view redraws from the model (no sender, no hint).
    virtual void UpdateAllViews() = 0;
    // The file the document was read from or last saved to; empty for a
    // document never saved.
    virtual std::string GetDocumentPath() const { return {}; }
};

class IRecordView {
public:
    virtual ~IRecordView() = default;
    // Rebuilds the record shown; reset first forgets which record that was.
    virtual void RefreshRecord(bool reset) = 0;
    // Shows the molecule's point record (WritePointReport) under the record
    // header and remembers it as the record shown.
    virtual void RecordPoint() {}
};

class IControlView {
public:
    virtual ~IControlView() = default;
    // Shows the given field as the pane's choice.
    virtual void SetFieldIndex(int field) = 0;
};

// The three-dimensional view. Plot code that changes a plot's plane (the
// plane dialog's "Apply in 3DView", a cancelled plane set-up) has it repaint.
class I3DView {
public:
    virtual ~I3DView() = default;
    virtual void Redraw() = 0;
};

// The molecule only holds this registration for other code to fetch.
class IPlotView {
public:
    virtual ~IPlotView() = default;
};
