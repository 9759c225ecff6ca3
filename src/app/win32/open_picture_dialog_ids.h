// Resource identifiers of the open dialog's preview pane, shared by the
// resource script and the code.
#pragma once

#define QUILLON_IDD_PREVIEW_PANE 200
#define QUILLON_IDC_PREVIEW 201
