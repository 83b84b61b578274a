#pragma once

// The whole UI layer in one include.

#include "ui/UIBase.h"
#include "ui/UIButton.h"
#include "ui/UIColorPalette.h"
#include "ui/UICombo.h"
#include "ui/UIContainer.h"
#include "ui/UIControl.h"
#include "ui/UIDefs.h"
#include "ui/UIDlgBuilder.h"
#include "ui/UIEdit.h"
#include "ui/UIFileDialog.h"
#include "ui/UILabel.h"
#include "ui/UIList.h"
#include "ui/UIManager.h"
#include "ui/UIMenu.h"
#include "ui/UIObserver.h"
#include "ui/UIRender.h"
#include "ui/UIResourceManager.h"
#include "ui/UISlider.h"
#include "ui/UITrayIcon.h"
