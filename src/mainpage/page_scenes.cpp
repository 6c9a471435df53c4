// The scene menu's device items: each opens the scene list in its mode over the page.
#include "mainpage/equalizer_manager.h"
#include "mainpage/scene_wnd.h"
#include "platform/log.h"
#include "ui/window_impl_base.h"

void EqualizerManager::LoadSenceConfigFromDSP() {
    LogPrintA("%s\n", "EqualizerManager::LoadSenceConfigFromDSP");
    CSceneWnd::ShowScenes(mWindow != nullptr ? mWindow->GetWidget() : nullptr, CSceneWnd::kLoad,
                          *this);
}

void EqualizerManager::SaveSenceConfigToDSP() {
    LogPrintA("%s\n", "EqualizerManager::SaveSenceConfigToDSP");
    CSceneWnd::ShowScenes(mWindow != nullptr ? mWindow->GetWidget() : nullptr, CSceneWnd::kSave,
                          *this);
}

void EqualizerManager::DeleteDSPSenceConfig() {
    LogPrintA("%s\n", "EqualizerManager::DeleteDSPSenceConfig");
    CSceneWnd::ShowScenes(mWindow != nullptr ? mWindow->GetWidget() : nullptr, CSceneWnd::kDelete,
                          *this);
}
