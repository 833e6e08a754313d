// The flat look of the menu entries: a command drawn with a highlight bar
// right of its image column and a raised frame around its image, and a
// separator drawn as an etched line.
#pragma once

#include "traymenu/CoolItem.h"

class TCoolItem2000 : public TCoolItem95 {
public:
    explicit TCoolItem2000(tk::TComponent* owner) : TCoolItem95(owner) {}
    std::string ClassName() const override { return "TCoolItem2000"; }

    // A checked item shows the platform's check mark (or radio bullet).
    bool CheckedDefault = true;
    bool NoPattern = false;

protected:
    void Paint() override;

private:
    // The image on the item's colour, ready to be drawn transparently.
    void DrawImage(tk::TCanvas& canvas, const RECT& place, bool highlighted);
    void DrawCheckMark(tk::TCanvas& canvas, const RECT& place, bool highlighted);
    // Text in the canvas font's colour, or engraved when disabled.
    void DrawItemText(tk::TCanvas& canvas, const std::string& text, RECT rect, UINT format,
                      bool highlighted);
};

enum class TSeparatorStyle { ssStandard, ss2000, ss2000Hidden };

class TCoolItemSeparator2000 : public TCoolItem {
public:
    explicit TCoolItemSeparator2000(tk::TComponent* owner);
    std::string ClassName() const override { return "TCoolItemSeparator2000"; }

    TSeparatorStyle SeparatorStyle() const { return style_; }
    void SetSeparatorStyle(TSeparatorStyle style);
    bool NoPattern = false;

protected:
    void MeasureItem(TItemDimensions& dimensions) override;
    void Paint() override;

private:
    TSeparatorStyle style_ = TSeparatorStyle::ss2000;
};
