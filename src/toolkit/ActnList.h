// Actions: named commands with the caption, hint, image, shortcut and
// enabled state that the menu items, buttons and other clients show.
#pragma once

#include "toolkit/Controls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tk {

class TImageList;
class TActionList;

using TShortCut = std::uint16_t;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner) : TComponent(owner) {}
    ~TBasicAction() override;

    TNotifyEvent OnExecute;
    // Runs OnExecute; false when the action cannot run now.
    virtual bool Execute();
    // Lets OnUpdate bring the action's state up to date; false without one.
    TNotifyEvent OnUpdate;
    bool Update();

    void RegisterClient(TActionClient* client);
    void UnregisterClient(TActionClient* client);

protected:
    void Change(); // tells every client

private:
    std::vector<TActionClient*> clients_;
};

class TAction : public TBasicAction {
public:
    explicit TAction(TComponent* owner);
    ~TAction() override;

    bool Execute() override; // only while enabled

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    const std::string& Category() const { return category_; }
    void SetCategory(const std::string& category) { category_ = category; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    TActionList* ActionList() const { return actionList_; }
    void SetActionList(TActionList* list);

private:
    friend class TActionList;
    std::string caption_;
    std::string category_;
    std::string hint_;
    int imageIndex_ = -1;
    TShortCut shortCut_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    TActionList* actionList_ = nullptr;
};

class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    ~TActionList() override;

    TImageList* Images = nullptr;
    const std::vector<TAction*>& Actions() const { return actions_; }
    // Runs the enabled action with this shortcut; false when there is none.
    bool IsShortCut(TShortCut shortCut);

private:
    friend class TAction;
    std::vector<TAction*> actions_;
};

} // namespace tk
