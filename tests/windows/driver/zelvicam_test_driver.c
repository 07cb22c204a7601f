/*
 * A stand-in for the cameras' kernel driver, for the Windows tests under
 * Wine (which runs kernel drivers in a process of its own). It makes the
 * nodes \\.\zelvicam-0 and \\.\zelvicam-1, each answering the vendor
 * requests that arrive as I/O control requests 0x222000 like a small camera
 * with a sensor register file, and filling overlapped frame reads. The
 * control device \\.\zelvicam-test injects faults into a node and reports
 * what the node has seen, so tests can take the driver path that real
 * cameras take: failed requests, reads that never finish until cancelled,
 * short and empty frames, a camera that has left the bus.
 */
#include <ntddk.h>

#define NODE_COUNT 2
#define VENDOR_REQUEST 0x222000
#define TEST_CONTROL 0x222004

enum Fault { FAULT_NONE, FAULT_FAIL_REQUESTS, FAULT_HOLD_READS, FAULT_SHORT_READS, FAULT_EMPTY_READS, FAULT_GONE };

/* The control request: fault `fault` for the next `count` operations of
   node `node` (FAULT_GONE: until cleared with FAULT_NONE). The answer is the
   node's counters. */
typedef struct {
    ULONG node, fault, count;
} TestControl;
typedef struct {
    ULONG requests, reads, cancelledReads;
} TestCounters;

typedef struct {
    UCHAR type, number;
    USHORT firmware;
    USHORT sensor[256];
    USHORT workingMode;
    ULONG fault, faultCount;
    TestCounters counters;
} Node;

static Node g_nodes[NODE_COUNT];
static PDEVICE_OBJECT g_control;
static KSPIN_LOCK g_lock;

/* An MT9V032 after power-on: the full 752 x 480 window. */
static const USHORT kSensorResetValues[][2] = {
    {0x00, 0x1313}, {0x01, 1},      {0x02, 4},      {0x03, 480},  {0x04, 752}, {0x05, 94},
    {0x06, 45},     {0x07, 0x0388}, {0x0B, 480},    {0x0D, 0x0300}, {0x1C, 0x0002}, {0x35, 16},
    {0x36, 64},     {0xAF, 0x0003}, {0xBD, 480},
};

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The fault that applies to this operation of `node`, counting it down. */
static ULONG TakeFault(Node *node, ULONG kinds) {
    KIRQL irql;
    ULONG fault = FAULT_NONE;
    KeAcquireSpinLock(&g_lock, &irql);
    if (node->fault == FAULT_GONE) {
        fault = FAULT_GONE;
    } else if (node->faultCount > 0 && (kinds & (1u << node->fault))) {
        fault = node->fault;
        if (--node->faultCount == 0) node->fault = FAULT_NONE;
    }
    KeReleaseSpinLock(&g_lock, irql);
    return fault;
}

static ULONG Le32(const UCHAR *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((ULONG)p[3] << 24); }

/* Answers one vendor request from its 19-byte record into `data`. */
static ULONG AnswerVendorRequest(Node *node, const UCHAR *record, UCHAR *data, ULONG length) {
    const ULONG wValue = Le32(record + 4), wIndex = Le32(record + 12);
    const UCHAR bRequest = record[16], toHost = record[18];
    if (!toHost) return 0;
    RtlZeroMemory(data, length);
    switch (bRequest) {
    case 0xC9: /* device information */
        if (length >= 5) {
            data[1] = node->type;
            data[2] = node->number;
            data[3] = (UCHAR)node->firmware;
            data[4] = (UCHAR)(node->firmware >> 8);
        }
        break;
    case 0xC2: /* read sensor register */
        if (length >= 3) {
            data[1] = (UCHAR)(node->sensor[wValue & 0xFF] >> 8);
            data[2] = (UCHAR)node->sensor[wValue & 0xFF];
        }
        break;
    case 0xC3: /* write sensor register */
        node->sensor[wValue & 0xFF] = (USHORT)wIndex;
        break;
    case 0xCE: /* set working mode */
        node->workingMode = (USHORT)wValue;
        break;
    case 0xCF: /* get working mode */
        if (length >= 3) {
            data[1] = (UCHAR)node->workingMode;
            data[2] = (UCHAR)(node->workingMode >> 8);
        }
        break;
    default: /* every other request answers status 0 and zeros */
        break;
    }
    return length;
}

static NTSTATUS DispatchControl(PIRP irp, PIO_STACK_LOCATION stack) {
    const TestControl *control = irp->AssociatedIrp.SystemBuffer;
    if (stack->Parameters.DeviceIoControl.IoControlCode != TEST_CONTROL ||
        stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(TestControl) ||
        stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(TestCounters) || control->node >= NODE_COUNT)
        return Complete(irp, STATUS_INVALID_PARAMETER, 0);
    Node *node = &g_nodes[control->node];
    KIRQL irql;
    KeAcquireSpinLock(&g_lock, &irql);
    node->fault = control->fault;
    node->faultCount = control->count;
    const TestCounters counters = node->counters;
    KeReleaseSpinLock(&g_lock, irql);
    RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &counters, sizeof counters);
    return Complete(irp, STATUS_SUCCESS, sizeof counters);
}

static NTSTATUS NTAPI DispatchIoControl(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (device == g_control) return DispatchControl(irp, stack);
    Node *node = device->DeviceExtension;
    InterlockedIncrement((LONG *)&node->counters.requests);
    const ULONG fault = TakeFault(node, 1u << FAULT_FAIL_REQUESTS);
    if (fault == FAULT_GONE) return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    if (fault == FAULT_FAIL_REQUESTS) return Complete(irp, STATUS_UNSUCCESSFUL, 0);
    if (stack->Parameters.DeviceIoControl.IoControlCode != VENDOR_REQUEST ||
        stack->Parameters.DeviceIoControl.InputBufferLength != 19)
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    /* Buffered: the record comes in the buffer the answer goes out in. */
    UCHAR *buffer = irp->AssociatedIrp.SystemBuffer;
    UCHAR record[19];
    RtlCopyMemory(record, buffer, sizeof record);
    const ULONG length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    return Complete(irp, STATUS_SUCCESS, AnswerVendorRequest(node, record, buffer, length));
}

static VOID NTAPI CancelHeldRead(PDEVICE_OBJECT device, PIRP irp) {
    Node *node = device->DeviceExtension;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    InterlockedIncrement((LONG *)&node->counters.cancelledReads);
    Complete(irp, STATUS_CANCELLED, 0);
}

static NTSTATUS NTAPI DispatchRead(PDEVICE_OBJECT device, PIRP irp) {
    if (device == g_control) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    Node *node = device->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG length = stack->Parameters.Read.Length;
    InterlockedIncrement((LONG *)&node->counters.reads);
    const ULONG fault = TakeFault(node, (1u << FAULT_HOLD_READS) | (1u << FAULT_SHORT_READS) | (1u << FAULT_EMPTY_READS));
    if (fault == FAULT_GONE) return Complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
    if (fault == FAULT_HOLD_READS) {
        /* No frame comes: the read stays pending until it is cancelled. */
        IoMarkIrpPending(irp);
        IoSetCancelRoutine(irp, CancelHeldRead);
        return STATUS_PENDING;
    }
    UCHAR *frame = irp->AssociatedIrp.SystemBuffer;
    for (ULONG i = 0; i < length; ++i) frame[i] = (UCHAR)(i % 251);
    const ULONG delivered = fault == FAULT_SHORT_READS ? length / 2 : fault == FAULT_EMPTY_READS ? 0 : length;
    return Complete(irp, STATUS_SUCCESS, delivered);
}

static NTSTATUS NTAPI DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp) {
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS MakeDevice(PDRIVER_OBJECT driver, const WCHAR *name, const WCHAR *link, ULONG extension,
                           PDEVICE_OBJECT *made) {
    UNICODE_STRING deviceName, linkName;
    RtlInitUnicodeString(&deviceName, name);
    RtlInitUnicodeString(&linkName, link);
    NTSTATUS status = IoCreateDevice(driver, extension, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, made);
    if (!NT_SUCCESS(status)) return status;
    (*made)->Flags |= DO_BUFFERED_IO;
    (*made)->Flags &= ~DO_DEVICE_INITIALIZING;
    return IoCreateSymbolicLink(&linkName, &deviceName);
}

static const WCHAR *const kNodeNames[NODE_COUNT] = {L"\\Device\\zelvicam0", L"\\Device\\zelvicam1"};
static const WCHAR *const kNodeLinks[NODE_COUNT] = {L"\\DosDevices\\zelvicam-0", L"\\DosDevices\\zelvicam-1"};
static const WCHAR kControlName[] = L"\\Device\\zelvicamtest";
static const WCHAR kControlLink[] = L"\\DosDevices\\zelvicam-test";

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
    UNICODE_STRING link;
    for (int i = 0; i < NODE_COUNT; ++i) {
        RtlInitUnicodeString(&link, kNodeLinks[i]);
        IoDeleteSymbolicLink(&link);
    }
    RtlInitUnicodeString(&link, kControlLink);
    IoDeleteSymbolicLink(&link);
    while (driver->DeviceObject) IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS WINAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    KeInitializeSpinLock(&g_lock);
    for (int i = 0; i < NODE_COUNT; ++i) {
        PDEVICE_OBJECT device;
        NTSTATUS status = MakeDevice(driver, kNodeNames[i], kNodeLinks[i], 0, &device);
        if (!NT_SUCCESS(status)) return status;
        /* Device type 21, numbers 5 and 6, firmware 0x0102. */
        g_nodes[i].type = 21;
        g_nodes[i].number = (UCHAR)(5 + i);
        g_nodes[i].firmware = 0x0102;
        for (ULONG r = 0; r < sizeof kSensorResetValues / sizeof kSensorResetValues[0]; ++r)
            g_nodes[i].sensor[kSensorResetValues[r][0]] = kSensorResetValues[r][1];
        device->DeviceExtension = &g_nodes[i];
    }
    NTSTATUS status = MakeDevice(driver, kControlName, kControlLink, 0, &g_control);
    if (!NT_SUCCESS(status)) return status;
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchIoControl;
    driver->MajorFunction[IRP_MJ_READ] = DispatchRead;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
