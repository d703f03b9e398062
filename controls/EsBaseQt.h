// The calendar library's widget shell: an attached label's site among Qt widgets.
#pragma once

#include <memory>

#include "EsBase.h"

// The site that puts a control's attached label into the parent widget of the control's own
// widget and keeps it beside the control when that widget moves or resizes.
std::unique_ptr<TEsLabelSite> EsWidgetLabelSite(TEsBase& control);
