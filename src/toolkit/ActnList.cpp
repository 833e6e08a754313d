#include "toolkit/ActnList.h"

#include <algorithm>

namespace tk {

TBasicAction::~TBasicAction() {
    for (TActionClient* client : std::vector<TActionClient*>(clients_))
        client->ActionDestroyed();
}

bool TBasicAction::Execute() {
    if (!OnExecute)
        return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate)
        return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterClient(TActionClient* client) {
    if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
        clients_.push_back(client);
}

void TBasicAction::UnregisterClient(TActionClient* client) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void TBasicAction::Change() {
    for (TActionClient* client : std::vector<TActionClient*>(clients_))
        client->ActionChanged();
}

TAction::TAction(TComponent* owner) : TBasicAction(owner) {}

TAction::~TAction() {
    SetActionList(nullptr);
}

bool TAction::Execute() {
    return enabled_ && TBasicAction::Execute();
}

void TAction::SetCaption(const std::string& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    Change();
}

void TAction::SetHint(const std::string& hint) {
    if (hint_ == hint)
        return;
    hint_ = hint;
    Change();
}

void TAction::SetImageIndex(int index) {
    if (imageIndex_ == index)
        return;
    imageIndex_ = index;
    Change();
}

void TAction::SetShortCut(TShortCut shortCut) {
    if (shortCut_ == shortCut)
        return;
    shortCut_ = shortCut;
    Change();
}

void TAction::SetEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    Change();
}

void TAction::SetVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    Change();
}

void TAction::SetActionList(TActionList* list) {
    if (actionList_ == list)
        return;
    if (actionList_) {
        auto& actions = actionList_->actions_;
        actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
    }
    actionList_ = list;
    if (actionList_)
        actionList_->actions_.push_back(this);
}

TActionList::~TActionList() {
    for (TAction* action : std::vector<TAction*>(actions_))
        action->actionList_ = nullptr;
}

bool TActionList::IsShortCut(TShortCut shortCut) {
    for (TAction* action : std::vector<TAction*>(actions_))
        if (shortCut && action->ShortCut() == shortCut && action->Enabled()) {
            action->Execute();
            return true;
        }
    return false;
}

} // namespace tk
