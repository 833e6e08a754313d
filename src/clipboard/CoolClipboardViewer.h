// The control that shows what the clipboard holds and follows each change
// through the platform's clipboard viewer chain. It is also the main
// window's only way to the clipboard store.
#pragma once

#include "toolkit/Controls.h"
#include "toolkit/Forms.h"

#include <string>

class TCoolClipboardComponent;

class TCoolClipboardViewer : public tk::TScrollBox {
public:
    explicit TCoolClipboardViewer(tk::TComponent* owner);
    ~TCoolClipboardViewer() override;

    // Each hands the call to a TCoolClipboardComponent made for it.
    void SaveToFile(const std::string& fileName);
    void LoadFromFile(const std::string& fileName);
    bool Clear();

    // Rebuilds the view from the clipboard's content.
    virtual void UpdateView();
    // Raised after every refresh caused by a clipboard change.
    tk::TNotifyEvent OnChange;

    HWND NextViewer() const { return nextViewer_; }
    tk::TControl* View() const { return view_; }

    void WndProc(tk::TMessage& message) override;

protected:
    void CreateParams(tk::TCreateParams& params) override;
    void CreateWindowHandle() override;

private:
    template <typename Operation> auto WithStore(Operation&& operation);
    void ShowIcon(const char* resourceName);
    void CenterView();

    HWND nextViewer_ = nullptr;
    tk::TControl* view_ = nullptr;
};
