#pragma once

#include "profile/CDi6533Profiledata.h"
#include "profile/CKeyboardProfiledata.h"
#include "profile/CMouseProfiledata.h"

namespace pelan::testing {

// Every read operation of a profile kind on its loaded node, as a device page runs them after loading a profile.
inline void readBasicMembers(CBasicProfiledata& profile) {
    profile.readLightInfo();
    profile.readLightList();
    profile.readKeyList();
    profile.readLedEffects();
}

inline void readEveryMember(CMouseProfiledata& mouse) {
    readBasicMembers(mouse);
    mouse.readDpiStages();
    mouse.readMouseSystem();
    mouse.readCorrections();
}

inline void readEveryMember(CKeyboardProfiledata& keyboard) {
    readBasicMembers(keyboard);
    keyboard.readKeyboardSystem();
    keyboard.readCustomLightColours(keyboard.readCustomLightGroup(), 126);
}

inline void readEveryMember(CDi6533Profiledata& headset) {
    readBasicMembers(headset);
    HeadsetSettings settings = headset.readHeadsetSettings();
    for (int eqType = 0; eqType <= kCustomEqType; ++eqType)
        headset.readEqValues(eqType);
    headset.readCustomEqValues(settings.customEqSlot);
    headset.readCustomEqNames();
}

} // namespace pelan::testing
