// The strip along the side of a menu: a two-colour gradient between bevels
// with a shadowed caption, lying or turned to read from bottom to top; or
// several captions, each styled on its own.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Graphics.h"
#include "traymenu/LabelDrawing.h"

#include <memory>
#include <string>
#include <vector>

class TCoolMenuLabel;

enum class TCaptionAlignment { alUpJustify, alDownJustify, alLeftJustify, alRightJustify };
enum class TLabelOrientation { loHorizontal, loVertical };

// One caption of the label's collection, with its own font and shadow.
class TCaptionItem {
public:
    explicit TCaptionItem(TCoolMenuLabel* label);
    TCaptionItem(const TCaptionItem&) = delete;
    TCaptionItem& operator=(const TCaptionItem&) = delete;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    tk::TFont& Font() { return font_; }
    tk::TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(tk::TColor color);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int size);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition position);
    bool SimpleView() const { return simpleView_; }
    void SetSimpleView(bool simple);
    // Takes the caption and the font of another item.
    void Assign(const TCaptionItem& source);

private:
    void Changed();
    TCoolMenuLabel* label_;
    std::string caption_;
    tk::TFont font_;
    tk::TColor shadowColor_ = tk::clBlack;
    int shadowSize_ = 1;
    TShadowPosition shadowPos_ = TShadowPosition::spLeftTop;
    bool simpleView_ = false;
};

// The label's captions, in order.
class TCaptions {
public:
    explicit TCaptions(TCoolMenuLabel* label) : label_(label) {}
    int Count() const { return static_cast<int>(items_.size()); }
    TCaptionItem& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
    TCaptionItem& Add();
    void Delete(int index);
    void Clear();

private:
    TCoolMenuLabel* label_;
    std::vector<std::unique_ptr<TCaptionItem>> items_;
};

class TCoolMenuLabel : public tk::TGraphicControl {
public:
    explicit TCoolMenuLabel(tk::TComponent* owner);

    TCaptionAlignment Alignment() const { return alignment_; }
    void SetAlignment(TCaptionAlignment alignment);
    tk::TColor BackFrom() const { return backFrom_; }
    void SetBackFrom(tk::TColor color);
    tk::TColor BackTo() const { return backTo_; }
    void SetBackTo(tk::TColor color);
    tk::TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(tk::TBevelCut bevel);
    tk::TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(tk::TBevelCut bevel);
    TCaptions& Captions() { return captions_; }
    TLabelOrientation LabelOrientation() const { return orientation_; }
    void SetLabelOrientation(TLabelOrientation orientation);
    // Setting any of the shadow's properties shows the shadow again.
    tk::TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(tk::TColor color);
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int size);
    TShadowPosition ShadowPos() const { return shadowPos_; }
    void SetShadowPos(TShadowPosition position);
    // The caption without its shadow.
    bool SimpleView() const { return simpleView_; }
    void SetSimpleView(bool simple);
    tk::TNotifyEvent OnChanged;

    // Repaints and raises OnChanged (a property or a caption item changed).
    void Changed();

protected:
    void Paint() override;
    void FontChanged() override { Invalidate(); }

private:
    // The DrawTextA flags of the alignment.
    UINT AlignmentFormat() const;
    void PaintCaptions(HDC dc, RECT rect);

    TCaptionAlignment alignment_ = TCaptionAlignment::alDownJustify;
    tk::TColor backFrom_ = tk::clBlack;
    tk::TColor backTo_ = tk::clBlue;
    tk::TBevelCut bevelInner_ = tk::TBevelCut::bvNone;
    tk::TBevelCut bevelOuter_ = tk::TBevelCut::bvNone;
    TCaptions captions_;
    TLabelOrientation orientation_ = TLabelOrientation::loHorizontal;
    tk::TColor shadowColor_ = tk::clBlack;
    int shadowSize_ = 1;
    TShadowPosition shadowPos_ = TShadowPosition::spLeftTop;
    bool simpleView_ = false;
};
