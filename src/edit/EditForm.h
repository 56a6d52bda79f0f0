#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class DatePicker;
class GeneratorButton;
class MainApi;
class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;
class StrengthBar;
struct CategoryInfo;
struct FormFieldSet;

// The account edit form; one class, configured by the field set of its category. Modeless; it
// stores its account itself and refreshes the main window through MainApi. Deletes itself
// when it closes.
class EditForm : public QWidget {
    Q_OBJECT
public:
    // category must be 0 to 12.
    EditForm(int category, MainApi& main, QWidget* parent = nullptr);
    ~EditForm() override;

    int category() const { return category_; }

    // Fills the boxes from the stored account. With IgnoreID the identifier box is emptied, so
    // that Save stores a new account. False (and the boxes untouched) when the account cannot
    // be read.
    bool Populate(int AccountID, bool IgnoreID);

    bool FormChanged() const { return formChanged_; }
    // The Save button without the user: stores the account and closes the form; false, with the
    // form left open saying why, when it cannot be stored.
    bool saveAndClose();
    // Closes without the question about unsaved changes: for a form whose account is gone.
    void discardAndClose();
    // False when the form has been closed and is only waiting to be deleted.
    bool isLoaded() const { return loaded_; }

    // Texts(index) and Labels(index); nullptr when this form has no such control.
    QWidget* Texts(int index) const { return texts_.value(index); }
    QLabel* Labels(int index) const { return labels_.value(index); }
    QList<int> textIndexes() const;
    // The text of a box, as it will be stored (line breaks included).
    QString boxText(int index) const;
    void setBoxText(int index, const QString& text);

    DatePicker* DTPicker_ExpirationPwd() const { return picker_; }
    QCheckBox* Check_MyAccount() const { return myAccount_; }
    QPushButton* Command_ok() const { return ok_; }
    QPushButton* Command_cancel() const { return cancel_; }
    QTabWidget* SmartTab_Pwd() const { return tabs_; }
    GeneratorButton* Command_GeneneratePassword() const { return generator_; }
    StrengthBar* ARProgressBar_password() const { return strengthBar_; }

    // The password box's hide character: "" shows the password in clear.
    QString passwordMask() const { return mask_; }
    void setPasswordMask(const QString& mask);

signals:
    // The form has closed for good (its window goes away right after).
    void unloaded(int category);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    void Form_Load();
    void Texts_KeyPress(int index);
    // The password box's own behaviour.
    void Texts_Change();
    void Texts_DblClick();
    void Texts_LostFocus();
    void Command_ok_Click();
    void Command_cancel_Click();
    // Checks and stores the account and refreshes the main window; true when it was stored.
    bool Save(bool closing);
    void showRecordDate(double date);
    void notice(const QString& text, int kind);

    const int category_;
    const CategoryInfo& info_;
    const FormFieldSet& fields_;
    MainApi& main_;
    bool formChanged_ = false;
    bool loaded_ = true;
    QString loadedCaption_;
    QString mask_;

    QHash<int, QWidget*> texts_;
    QHash<int, QLabel*> labels_;
    QTabWidget* tabs_ = nullptr;
    DatePicker* picker_ = nullptr;
    QCheckBox* myAccount_ = nullptr;
    GeneratorButton* generator_ = nullptr;
    StrengthBar* strengthBar_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
