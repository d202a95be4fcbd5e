#include "ui/framework/ModalLoop.h"

#include "app/CMain.h"
#include "app/CQuillboxApp.h"

namespace ui {

bool QuitRequested()
{
    const CMain* main = GetMain();
    return main != nullptr && main->m_bQuit != 0;
}

} // namespace ui
