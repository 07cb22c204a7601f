// The "qcx" plugin, libgstqcx.so: qcxsrc.
#include "gstqcxsrc.h"

#define PACKAGE "qcxapi"

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, qcx, "QCX USB cameras through libqcxapi",
                  gst_qcx_plugin_init, QCX_GST_VERSION, "Proprietary", "QCXApi", "QCXApi")
