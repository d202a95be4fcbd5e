#include "ui/framework/ModalLoop.h"

#include "core/CMain.h"

namespace ui {

bool QuitRequested()
{
    const CMain* main = GetMain();
    return main != nullptr && main->m_bQuit != 0;
}

} // namespace ui
