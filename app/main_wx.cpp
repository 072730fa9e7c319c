#include "app/brelvik_app_wx.h"

wxIMPLEMENT_APP(brelvik::CBrelvikApp);
