#include "EditCommands.h"

#include "CMainFrame.h"
#include "CommandId.h"

#include <CVorlaneView.h>

void BindEditCommands(CMainFrame& frame, CVorlaneView& view)
{
    frame.setHandler(ID_EDIT_COPY, [&view] { view.OnEditCopy(); });
    frame.setHandler(ID_EDIT_FILL, [&view] { view.OnEditFill(); });
    frame.setHandler(ID_EDIT_GOTO, [&view] { view.OnEditGoto(); });
    frame.setHandler(ID_EDIT_CLEAR_SELECTION, [&view] { view.OnEditClearSelection(); });
}
