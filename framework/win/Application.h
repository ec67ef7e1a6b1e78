// The application object: start-up, the forms it owns, the message loop and
// the standard display of an exception.
#pragma once

#include <memory>
#include <vector>

#include "framework/Exception.h"
#include "framework/win/Classes.h"
#include "framework/win/Forms.h"
#include "platform/winapi.h"

class TApplication : public TObject {
public:
    ~TApplication() override;

    void Initialize();

    // Creates a form of class T owned by the application and stores it in
    // `*reference`; the first form created is the main window.
    template <class T>
    void CreateForm(T** reference) {
        auto form = std::make_unique<T>();
        *reference = form.get();
        AddForm(std::move(form));
    }

    // Shows the main window and runs the message loop until it closes.
    void Run();

    // The standard error box with the exception's message.
    void ShowException(const Exception& exception);

    TForm* MainForm() const { return mainForm_; }

private:
    void AddForm(std::unique_ptr<TForm> form);

    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
};

extern TApplication* Application;
