#include "versioninfo/about_window_win.h"

#include "ui/application_win.h"
#include "versioninfo/version_info_win.h"

namespace tallivo {

using ui::Application;

const ui::ClassInfo& TFmAbout::StaticClass() {
  using ui::Field;
  using ui::Handler;
  using F = TFmAbout;
  static const ui::ClassInfo info("TFmAbout", &TForm::StaticClass(), nullptr, {},
                                  {
                                      Handler("FormCreate", &F::FormCreate),
                                      Handler("FormClose", &F::FormClose),
                                      Handler("BitBtn1Click", &F::BitBtn1Click),
                                  },
                                  {
                                      Field("LbPrgName", &F::LbPrgName),
                                      Field("Label1", &F::Label1),
                                      Field("Label2", &F::Label2),
                                      Field("LbFVersion", &F::LbFVersion),
                                      Field("LbCRight", &F::LbCRight),
                                      Field("Panel1", &F::Panel1),
                                      Field("Label3", &F::Label3),
                                      Field("Label4", &F::Label4),
                                      Field("Label5", &F::Label5),
                                      Field("SideLabel", &F::SideLabel),
                                      Field("BitBtn1", &F::BitBtn1),
                                  });
  return info;
}

void TFmAbout::FormCreate(ui::TComponent*) {
  const std::string exe = Application().ExeName();
  LbPrgName->SetCaption(Application().Title());
  // A failed lookup leaves a label empty; the box shows no error.
  LbFVersion->SetCaption(GetFileVersionString(exe));
  LbCRight->SetCaption(GetLegalCopyrightString(exe));
}

void TFmAbout::FormClose(ui::TComponent*, ui::TCloseAction& action) {
  action = ui::TCloseAction::caFree;
}

void TFmAbout::BitBtn1Click(ui::TComponent*) {
  Close();
}

void ShowAboutBox(ui::TComponent* owner) {
  ui::TForm::Create<TFmAbout>(owner)->ShowModal();
}

void RegisterAboutClasses() {
  for (const ui::ClassInfo* c :
       {&TFmAbout::StaticClass(), &ui::TLabel::StaticClass(), &ui::TPanel::StaticClass(),
        &ui::TSideLabel::StaticClass(), &ui::TBitBtn::StaticClass(), &TVersionInfo::StaticClass()}) {
    ui::RegisterComponentClass(*c);
  }
}

}  // namespace tallivo
