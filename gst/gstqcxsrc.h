/* qcxsrc: a live GStreamer source of a QCX camera through libqcxapi. */
#pragma once

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_QCX_SRC (gst_qcx_src_get_type())
G_DECLARE_FINAL_TYPE(GstQcxSrc, gst_qcx_src, GST, QCX_SRC, GstPushSrc)

/* Registers qcxsrc with `plugin`: the init of the "qcx" plugin, also for
   programs that register the plugin statically. */
gboolean gst_qcx_plugin_init(GstPlugin* plugin);

G_END_DECLS
