/* Stand-in for the USB camera filter driver: a control device \\.\KvUsbCameraFilter that
 * serves the driver's five control codes with their buffers, plus the test-only code that
 * says which program opened or closed the camera (no real camera is watched here).
 *
 * Per open handle the driver keeps the caller's program name and the caller's event; the
 * event is set once each time a program opens the camera, and dropped on IOCTL_FREE_EVENT
 * or when the handle is closed. Every input is checked: short, missing or oversized
 * buffers and bad handles fail the request, never the host. */
#include <ntifs.h>

#include "KvFilterTestControl.h"
#include "KvUsbCameraFilterIoctl.h"

#define KV_POOL_TAG 0x664B764B /* 'KvKf' */

typedef struct KV_CLIENT {
  LIST_ENTRY Link;
  PFILE_OBJECT File;
  PKEVENT Event; /* referenced; NULL when none is held */
  ULONG Signals;
  CHAR AppName[KV_FILTER_NAME_MAX];
} KV_CLIENT;

static PDEVICE_OBJECT g_device;
static KSPIN_LOCK g_lock;
static LIST_ENTRY g_clients;
static ULONG g_openHandles;
static ULONG g_freeRequests;
/* "" when no program uses the camera. */
static CHAR g_usingName[KV_FILTER_NAME_MAX];
static CHAR g_openerName[KV_FILTER_NAME_MAX];
static CHAR g_lastAppName[KV_FILTER_NAME_MAX];

static const WCHAR kDeviceName[] = L"\\Device\\KvUsbCameraFilter";
static const WCHAR kLinkName[] = L"\\??\\KvUsbCameraFilter";

static SIZE_T BoundedLength(const CHAR* text, SIZE_T limit) {
  SIZE_T n = 0;
  while (n < limit && text[n]) ++n;
  return n;
}

/* Caller holds g_lock. */
static KV_CLIENT* FindClient(PFILE_OBJECT file) {
  PLIST_ENTRY e;
  for (e = g_clients.Flink; e != &g_clients; e = e->Flink) {
    KV_CLIENT* c = CONTAINING_RECORD(e, KV_CLIENT, Link);
    if (c->File == file) return c;
  }
  return NULL;
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR info) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = NT_SUCCESS(status) ? info : 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* The event of a handle value that is valid in the calling process. The driver may run in
 * another process than the caller (a user-mode device host does), so the handle is first
 * duplicated out of the caller's process into a kernel handle. */
static NTSTATUS ReferenceCallerEvent(HANDLE userHandle, PKEVENT* event) {
  HANDLE caller = NULL, dup = NULL;
  NTSTATUS status;
  *event = NULL;
  if (!userHandle) return STATUS_INVALID_HANDLE;
  status = ObOpenObjectByPointer(IoGetCurrentProcess(), OBJ_KERNEL_HANDLE, NULL, PROCESS_DUP_HANDLE,
                                 (POBJECT_TYPE)PsProcessType, KernelMode, &caller);
  if (!NT_SUCCESS(status)) return status;
  status = ZwDuplicateObject(caller, userHandle, NtCurrentProcess(), &dup, 0, OBJ_KERNEL_HANDLE,
                             DUPLICATE_SAME_ACCESS);
  ZwClose(caller);
  if (!NT_SUCCESS(status)) return status;
  status = ObReferenceObjectByHandle(dup, EVENT_MODIFY_STATE, (POBJECT_TYPE)ExEventObjectType, KernelMode,
                                     (PVOID*)event, NULL);
  ZwClose(dup);
  if (!NT_SUCCESS(status)) *event = NULL;
  return status;
}

/* The handle value of an IOCTL_SET_EVENT_USBOPEN input, from a 32-bit or a 64-bit caller. */
static NTSTATUS EventHandleFromInput(const void* in, ULONG inLen, HANDLE* handle) {
  if (!in) return STATUS_INVALID_PARAMETER;
  if (inLen == sizeof(KV_EVENT_HANDLE_RECORD32)) {
    const KV_EVENT_HANDLE_RECORD32* r = (const KV_EVENT_HANDLE_RECORD32*)in;
    *handle = (HANDLE)(LONG_PTR)(LONG)r->hEvent;
    return STATUS_SUCCESS;
  }
  if (inLen == sizeof(KV_EVENT_HANDLE_RECORD64)) {
    KV_EVENT_HANDLE_RECORD64 r;
    RtlCopyMemory(&r, in, sizeof r);
    if ((LONGLONG)r.hEvent != (LONGLONG)(LONG)r.hEvent) return STATUS_INVALID_HANDLE;
    *handle = (HANDLE)(LONG_PTR)(LONG)r.hEvent;
    return STATUS_SUCCESS;
  }
  return STATUS_INVALID_PARAMETER;
}

/* Copies a kept name into an output buffer: 0 bytes when empty. Caller holds g_lock. */
static NTSTATUS AnswerName(const CHAR* name, PVOID out, ULONG outLen, ULONG_PTR* info) {
  SIZE_T n = BoundedLength(name, KV_FILTER_NAME_MAX - 1);
  *info = 0;
  if (n == 0) return STATUS_SUCCESS;
  if (!out || outLen < n + 1) return STATUS_BUFFER_TOO_SMALL;
  RtlCopyMemory(out, name, n);
  ((CHAR*)out)[n] = 0;
  *info = n + 1;
  return STATUS_SUCCESS;
}

static NTSTATUS TestControl(KV_CLIENT* client, PVOID buf, ULONG inLen, ULONG outLen, ULONG_PTR* info) {
  const KV_TEST_REQUEST* req = (const KV_TEST_REQUEST*)buf;
  KIRQL irql;
  ULONG op;
  *info = 0;
  if (!buf || inLen < KV_TEST_REQUEST_HEADER) return STATUS_INVALID_PARAMETER;
  op = req->Op;
  if (op == KVTEST_OP_OPENED || op == KVTEST_OP_OPENING) {
    SIZE_T room = inLen - KV_TEST_REQUEST_HEADER;
    SIZE_T n;
    PLIST_ENTRY e;
    if (room > KV_FILTER_NAME_MAX) room = KV_FILTER_NAME_MAX;
    n = BoundedLength(req->Name, room);
    if (n == 0 || n == room) return STATUS_INVALID_PARAMETER; /* empty, unterminated or too long */
    KeAcquireSpinLock(&g_lock, &irql);
    if (op == KVTEST_OP_OPENED) RtlCopyMemory(g_usingName, req->Name, n + 1);
    RtlCopyMemory(g_openerName, req->Name, n + 1);
    for (e = g_clients.Flink; e != &g_clients; e = e->Flink) {
      KV_CLIENT* c = CONTAINING_RECORD(e, KV_CLIENT, Link);
      if (c->Event) {
        KeSetEvent(c->Event, IO_NO_INCREMENT, FALSE);
        ++c->Signals;
      }
    }
    KeReleaseSpinLock(&g_lock, irql);
    return STATUS_SUCCESS;
  }
  if (op == KVTEST_OP_CLOSED) {
    KeAcquireSpinLock(&g_lock, &irql);
    g_usingName[0] = 0;
    g_openerName[0] = 0;
    KeReleaseSpinLock(&g_lock, irql);
    return STATUS_SUCCESS;
  }
  if (op == KVTEST_OP_STATE) {
    KV_TEST_STATE* st = (KV_TEST_STATE*)buf;
    PLIST_ENTRY e;
    ULONG held = 0;
    if (outLen < sizeof(KV_TEST_STATE)) return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&g_lock, &irql);
    for (e = g_clients.Flink; e != &g_clients; e = e->Flink)
      if (CONTAINING_RECORD(e, KV_CLIENT, Link)->Event) ++held;
    RtlZeroMemory(st, sizeof *st);
    st->EventHeld = client->Event != NULL;
    st->EventSignals = client->Signals;
    st->EventsHeld = held;
    st->OpenHandles = g_openHandles;
    st->FreeRequests = g_freeRequests;
    RtlCopyMemory(st->AppName, client->AppName, sizeof st->AppName);
    RtlCopyMemory(st->LastAppName, g_lastAppName, sizeof st->LastAppName);
    KeReleaseSpinLock(&g_lock, irql);
    *info = sizeof *st;
    return STATUS_SUCCESS;
  }
  return STATUS_INVALID_PARAMETER;
}

static NTSTATUS DeviceControl(PFILE_OBJECT file, ULONG code, PVOID buf, ULONG inLen, ULONG outLen,
                              ULONG_PTR* info) {
  KV_CLIENT* client;
  PKEVENT old = NULL;
  KIRQL irql;
  NTSTATUS status = STATUS_SUCCESS;
  *info = 0;

  /* Clients are only freed on this file object's close, which cannot overlap its requests. */
  KeAcquireSpinLock(&g_lock, &irql);
  client = FindClient(file);
  KeReleaseSpinLock(&g_lock, irql);
  if (!client) return STATUS_INVALID_DEVICE_REQUEST;

  switch (code) {
    case IOCTL_GET_USING_APPNAME:
      KeAcquireSpinLock(&g_lock, &irql);
      status = AnswerName(g_usingName, buf, outLen, info);
      KeReleaseSpinLock(&g_lock, irql);
      return status;
    case IOCTL_GET_OPENING_APPNAME:
      KeAcquireSpinLock(&g_lock, &irql);
      status = AnswerName(g_openerName, buf, outLen, info);
      KeReleaseSpinLock(&g_lock, irql);
      return status;
    case IOCTL_SET_MY_APPNAME: {
      SIZE_T n;
      if (!buf || inLen == 0) return STATUS_INVALID_PARAMETER;
      n = BoundedLength((const CHAR*)buf, inLen);
      if (n == 0 || n >= KV_FILTER_NAME_MAX) return STATUS_INVALID_PARAMETER;
      KeAcquireSpinLock(&g_lock, &irql);
      RtlCopyMemory(client->AppName, buf, n);
      client->AppName[n] = 0;
      RtlCopyMemory(g_lastAppName, client->AppName, n + 1);
      KeReleaseSpinLock(&g_lock, irql);
      return STATUS_SUCCESS;
    }
    case IOCTL_SET_EVENT_USBOPEN: {
      HANDLE h;
      PKEVENT ev;
      status = EventHandleFromInput(buf, inLen, &h);
      if (!NT_SUCCESS(status)) return status;
      status = ReferenceCallerEvent(h, &ev);
      if (!NT_SUCCESS(status)) return status;
      KeAcquireSpinLock(&g_lock, &irql);
      old = client->Event;
      client->Event = ev;
      KeReleaseSpinLock(&g_lock, irql);
      if (old) ObDereferenceObject(old);
      return STATUS_SUCCESS;
    }
    case IOCTL_FREE_EVENT:
      KeAcquireSpinLock(&g_lock, &irql);
      ++g_freeRequests;
      old = client->Event;
      client->Event = NULL;
      KeReleaseSpinLock(&g_lock, irql);
      if (old) ObDereferenceObject(old);
      return STATUS_SUCCESS;
    case IOCTL_KVTEST_CONTROL:
      return TestControl(client, buf, inLen, outLen, info);
    default:
      return STATUS_INVALID_DEVICE_REQUEST;
  }
}

static NTSTATUS NTAPI Dispatch(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  PFILE_OBJECT file = stack->FileObject;
  KV_CLIENT* client;
  PKEVENT old = NULL;
  KIRQL irql;

  switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
      client = (KV_CLIENT*)ExAllocatePoolWithTag(NonPagedPool, sizeof(KV_CLIENT), KV_POOL_TAG);
      if (!client) return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
      RtlZeroMemory(client, sizeof *client);
      client->File = file;
      KeAcquireSpinLock(&g_lock, &irql);
      InsertTailList(&g_clients, &client->Link);
      ++g_openHandles;
      KeReleaseSpinLock(&g_lock, irql);
      return Complete(irp, STATUS_SUCCESS, 0);

    case IRP_MJ_CLEANUP: /* the last user handle is gone: the event goes with it */
      KeAcquireSpinLock(&g_lock, &irql);
      client = FindClient(file);
      if (client) {
        old = client->Event;
        client->Event = NULL;
      }
      KeReleaseSpinLock(&g_lock, irql);
      if (old) ObDereferenceObject(old);
      return Complete(irp, STATUS_SUCCESS, 0);

    case IRP_MJ_CLOSE:
      KeAcquireSpinLock(&g_lock, &irql);
      client = FindClient(file);
      if (client) {
        RemoveEntryList(&client->Link);
        --g_openHandles;
      }
      KeReleaseSpinLock(&g_lock, irql);
      if (client) {
        if (client->Event) ObDereferenceObject(client->Event);
        ExFreePoolWithTag(client, KV_POOL_TAG);
      }
      return Complete(irp, STATUS_SUCCESS, 0);

    case IRP_MJ_DEVICE_CONTROL: {
      ULONG_PTR info = 0;
      NTSTATUS status = DeviceControl(file, stack->Parameters.DeviceIoControl.IoControlCode,
                                      irp->AssociatedIrp.SystemBuffer,
                                      stack->Parameters.DeviceIoControl.InputBufferLength,
                                      stack->Parameters.DeviceIoControl.OutputBufferLength, &info);
      return Complete(irp, status, info);
    }
    default:
      return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}

static VOID NTAPI Unload(PDRIVER_OBJECT driver) {
  UNICODE_STRING link;
  KIRQL irql;
  RtlInitUnicodeString(&link, kLinkName);
  IoDeleteSymbolicLink(&link);
  /* A device host may unload with handles still open: let go of everything. */
  for (;;) {
    KV_CLIENT* client = NULL;
    KeAcquireSpinLock(&g_lock, &irql);
    if (!IsListEmpty(&g_clients)) {
      client = CONTAINING_RECORD(RemoveHeadList(&g_clients), KV_CLIENT, Link);
      --g_openHandles;
    }
    KeReleaseSpinLock(&g_lock, irql);
    if (!client) break;
    if (client->Event) ObDereferenceObject(client->Event);
    ExFreePoolWithTag(client, KV_POOL_TAG);
  }
  if (g_device) IoDeleteDevice(g_device);
  g_device = NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNICODE_STRING name, link;
  NTSTATUS status;
  ULONG i;

  KeInitializeSpinLock(&g_lock);
  InitializeListHead(&g_clients);
  g_openHandles = 0;
  g_freeRequests = 0;
  g_usingName[0] = 0;
  g_openerName[0] = 0;
  g_lastAppName[0] = 0;

  RtlInitUnicodeString(&name, kDeviceName);
  status = IoCreateDevice(driver, 0, &name, FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &g_device);
  if (!NT_SUCCESS(status)) return status;
  RtlInitUnicodeString(&link, kLinkName);
  status = IoCreateSymbolicLink(&link, &name);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(g_device);
    g_device = NULL;
    return status;
  }
  for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = Dispatch;
  driver->DriverUnload = Unload;
  g_device->Flags |= DO_BUFFERED_IO;
  g_device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}
