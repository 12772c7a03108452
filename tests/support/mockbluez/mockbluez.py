'''A BlueZ stand-in for tests: adapters, devices and GATT objects on a private system bus.

Loaded by python3-dbusmock as a template. The org.bluez.Mock interface on "/" builds the scene
(adapters, devices, services, characteristics with values and scripted command answers) and lets
a test push notifications, drop links and read what the client did (Events).
'''

import time

import dbus
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject

BUS_NAME = 'org.bluez'
MAIN_OBJ = '/'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

MOCK_IFACE = 'org.bluez.Mock'
ADAPTER_IFACE = 'org.bluez.Adapter1'
DEVICE_IFACE = 'org.bluez.Device1'
SERVICE_IFACE = 'org.bluez.GattService1'
CHAR_IFACE = 'org.bluez.GattCharacteristic1'

# What the client did, in order: "<Method> <object path>" lines.
EVENTS = []
# Addresses that Adapter1.ConnectDevice accepts, with the address type they need.
CONNECTABLE = {}
# Method name -> milliseconds the next call of it sleeps before it answers (once). The sleep
# stalls the whole mock, as a BlueZ stuck in a slow controller does.
SLOW = {}
# Characteristic path -> how many of its next reads fail.
FAILING_READS = {}


def maybe_slow(method):
    delay = SLOW.pop(method, 0)
    if delay:
        time.sleep(delay / 1000.0)


def event(text):
    EVENTS.append(text)


def emit_changed(obj, iface, changes):
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as',
                   [iface, changes, dbus.Array([], signature='s')])


def set_props(obj, iface, changes):
    for k, v in changes.items():
        obj.props[iface][k] = v
    emit_changed(obj, iface, changes)


def announce(path, iface, props):
    mockobject.objects['/'].EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                                       [dbus.ObjectPath(path), {iface: props}])


def variant_bool(v):
    return dbus.Boolean(v, variant_level=1)


def bytes_of(values):
    return dbus.Array([dbus.Byte(b) for b in values], signature='y', variant_level=1)


# --- Device1 ---

def dev_connect(device):
    event('Connect ' + device.path)
    if device.props[DEVICE_IFACE]['Connected']:
        raise dbus.exceptions.DBusException('Already Connected',
                                            name='org.bluez.Error.AlreadyConnected')
    set_props(device, DEVICE_IFACE, {'Connected': variant_bool(True)})
    set_props(device, DEVICE_IFACE, {'ServicesResolved': variant_bool(True)})


def dev_disconnect(device):
    event('Disconnect ' + device.path)
    if not device.props[DEVICE_IFACE]['Connected']:
        raise dbus.exceptions.DBusException('Not Connected', name='org.bluez.Error.NotConnected')
    set_props(device, DEVICE_IFACE, {'ServicesResolved': variant_bool(False)})
    set_props(device, DEVICE_IFACE, {'Connected': variant_bool(False)})


# --- GattCharacteristic1 ---

def char_read(ch, options):
    event('ReadValue ' + ch.path)
    maybe_slow('ReadValue')
    if FAILING_READS.get(ch.path, 0) > 0:
        FAILING_READS[ch.path] -= 1
        raise dbus.exceptions.DBusException('Operation failed with ATT error: 0x0e',
                                            name='org.bluez.Error.Failed')
    return dbus.Array(ch.props[CHAR_IFACE]['Value'], signature='y')


def emit_value(ch, value):
    ch.props[CHAR_IFACE]['Value'] = bytes_of(value)
    emit_changed(ch, CHAR_IFACE, {'Value': bytes_of(value)})
    return False


def char_write(ch, value, options):
    value = [int(b) for b in value]
    event('WriteValue ' + ch.path + ' ' + ' '.join('%02x' % b for b in value))
    maybe_slow('WriteValue')
    # A scripted answer to a command request (0xCD, command, ...), sent like the tablet does:
    # after the request, as a notification on the same characteristic.
    if len(value) >= 2 and value[0] == 0xCD and value[1] in ch.answers:
        answer, delay_ms = ch.answers[value[1]]
        GLib.timeout_add(delay_ms, emit_value, ch, answer)


def char_start_notify(ch):
    event('StartNotify ' + ch.path)
    set_props(ch, CHAR_IFACE, {'Notifying': variant_bool(True)})


def char_stop_notify(ch):
    event('StopNotify ' + ch.path)
    set_props(ch, CHAR_IFACE, {'Notifying': variant_bool(False)})


# --- Adapter1 ---

def adapter_connect_device(adapter, properties):
    address = str(properties.get('Address', ''))
    atype = str(properties.get('AddressType', ''))
    event('ConnectDevice %s %s %s' % (adapter.path, address, atype))
    if CONNECTABLE.get(address.upper()) != atype:
        raise dbus.exceptions.DBusException('Page Timeout', name='org.bluez.Error.Failed')
    path = add_device(adapter.path, address, {'Connected': variant_bool(True),
                                              'ServicesResolved': variant_bool(True)})
    return dbus.ObjectPath(path)


def add_device(adapter_path, address, props):
    path = adapter_path + '/dev_' + address.replace(':', '_').upper()
    properties = {
        'Address': dbus.String(address.upper(), variant_level=1),
        'AddressType': dbus.String('public', variant_level=1),
        'Name': dbus.String('device', variant_level=1),
        'Alias': dbus.String('device', variant_level=1),
        'Adapter': dbus.ObjectPath(adapter_path, variant_level=1),
        'UUIDs': dbus.Array([], signature='s', variant_level=1),
        'Paired': variant_bool(True),
        'Connected': variant_bool(False),
        'ServicesResolved': variant_bool(False),
    }
    properties.update(props)
    mockobject.objects['/'].AddObject(path, DEVICE_IFACE, properties, [
        ('Connect', '', '', dev_connect),
        ('Disconnect', '', '', dev_disconnect),
    ])
    announce(path, DEVICE_IFACE, properties)
    return path


# --- org.bluez.Mock, on "/" ---

@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='s')
def AddAdapter(self, name):
    path = '/org/bluez/' + name
    props = {
        'Address': dbus.String('00:AA:01:02:03:04', variant_level=1),
        'Name': dbus.String(name, variant_level=1),
        'Powered': variant_bool(True),
        'Discovering': variant_bool(False),
    }
    self.AddObject(path, ADAPTER_IFACE, props, [
        ('StartDiscovery', '', '', lambda a: set_props(a, ADAPTER_IFACE,
                                                       {'Discovering': variant_bool(True)})),
        ('StopDiscovery', '', '', lambda a: set_props(a, ADAPTER_IFACE,
                                                      {'Discovering': variant_bool(False)})),
        ('ConnectDevice', 'a{sv}', 'o', adapter_connect_device),
        ('RemoveDevice', 'o', '', ''),
    ])
    announce(path, ADAPTER_IFACE, props)
    return path


@dbus.service.method(MOCK_IFACE, in_signature='ssa{sv}', out_signature='s')
def AddDevice(self, adapter, address, props):
    '''A device BlueZ knows; props (RSSI, Connected, Name, ...) override the defaults.'''
    return add_device('/org/bluez/' + adapter, address, props)


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='')
def AllowConnectDevice(self, address, address_type):
    '''Adapter1.ConnectDevice creates this device, but only with this address type.'''
    CONNECTABLE[address.upper()] = address_type


@dbus.service.method(MOCK_IFACE, in_signature='ss', out_signature='s')
def AddGattService(self, device_path, uuid):
    device = mockobject.objects[device_path]
    device.service_count = getattr(device, 'service_count', 0) + 1
    path = '%s/service%04x' % (device_path, device.service_count)
    props = {
        'UUID': dbus.String(uuid, variant_level=1),
        'Device': dbus.ObjectPath(device_path, variant_level=1),
        'Primary': variant_bool(True),
    }
    self.AddObject(path, SERVICE_IFACE, props, [])
    announce(path, SERVICE_IFACE, props)
    uuids = list(device.props[DEVICE_IFACE]['UUIDs']) + [uuid]
    set_props(device, DEVICE_IFACE, {'UUIDs': dbus.Array(uuids, signature='s', variant_level=1)})
    return path


@dbus.service.method(MOCK_IFACE, in_signature='ssasay', out_signature='s')
def AddGattCharacteristic(self, service_path, uuid, flags, value):
    service = mockobject.objects[service_path]
    service.char_count = getattr(service, 'char_count', 0) + 1
    path = '%s/char%04x' % (service_path, service.char_count)
    props = {
        'UUID': dbus.String(uuid, variant_level=1),
        'Service': dbus.ObjectPath(service_path, variant_level=1),
        'Value': bytes_of(value),
        'Flags': dbus.Array(flags, signature='s', variant_level=1),
        'Notifying': variant_bool(False),
    }
    self.AddObject(path, CHAR_IFACE, props, [
        ('ReadValue', 'a{sv}', 'ay', char_read),
        ('WriteValue', 'aya{sv}', '', char_write),
        ('StartNotify', '', '', char_start_notify),
        ('StopNotify', '', '', char_stop_notify),
    ])
    mockobject.objects[path].answers = {}
    announce(path, CHAR_IFACE, props)
    return path


@dbus.service.method(MOCK_IFACE, in_signature='syayu', out_signature='')
def SetCommandAnswer(self, char_path, command, answer, delay_ms):
    '''A write of (0xCD, command, ...) to char_path is answered with this notification.'''
    mockobject.objects[char_path].answers[int(command)] = ([int(b) for b in answer],
                                                           int(delay_ms))


@dbus.service.method(MOCK_IFACE, in_signature='say', out_signature='b')
def Notify(self, char_path, value):
    '''Sends value as a notification; false (nothing sent) while nobody is subscribed.'''
    ch = mockobject.objects[char_path]
    if not ch.props[CHAR_IFACE]['Notifying']:
        return False
    emit_value(ch, [int(b) for b in value])
    return True


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def DropLink(self, device_path):
    '''The tablet goes away: Connected turns false without anyone asking.'''
    device = mockobject.objects[device_path]
    set_props(device, DEVICE_IFACE, {'ServicesResolved': variant_bool(False)})
    set_props(device, DEVICE_IFACE, {'Connected': variant_bool(False)})


@dbus.service.method(MOCK_IFACE, in_signature='s', out_signature='')
def Relink(self, device_path):
    device = mockobject.objects[device_path]
    set_props(device, DEVICE_IFACE, {'Connected': variant_bool(True)})
    set_props(device, DEVICE_IFACE, {'ServicesResolved': variant_bool(True)})


@dbus.service.method(MOCK_IFACE, in_signature='b', out_signature='')
def SetPowered(self, powered):
    '''The user switches the adapter on or off.'''
    set_props(mockobject.objects['/org/bluez/hci0'], ADAPTER_IFACE,
              {'Powered': variant_bool(bool(powered))})


@dbus.service.method(MOCK_IFACE, in_signature='su', out_signature='')
def SlowDown(self, method, delay_ms):
    '''The next call of method (ReadValue, WriteValue) answers only after delay_ms.'''
    SLOW[str(method)] = int(delay_ms)


@dbus.service.method(MOCK_IFACE, in_signature='su', out_signature='')
def FailReads(self, char_path, count):
    '''The next count reads of the characteristic fail, as a radio hiccup does.'''
    FAILING_READS[str(char_path)] = int(count)


@dbus.service.method(MOCK_IFACE, in_signature='', out_signature='as')
def Events(self):
    return dbus.Array(EVENTS, signature='s')


def load(mock, _parameters):
    mock.AddMethods(MOCK_IFACE, [
        ('AddAdapter', 's', 's', AddAdapter),
        ('AddDevice', 'ssa{sv}', 's', AddDevice),
        ('AllowConnectDevice', 'ss', '', AllowConnectDevice),
        ('AddGattService', 'ss', 's', AddGattService),
        ('AddGattCharacteristic', 'ssasay', 's', AddGattCharacteristic),
        ('SetCommandAnswer', 'syayu', '', SetCommandAnswer),
        ('Notify', 'say', 'b', Notify),
        ('DropLink', 's', '', DropLink),
        ('Relink', 's', '', Relink),
        ('SetPowered', 'b', '', SetPowered),
        ('SlowDown', 'su', '', SlowDown),
        ('FailReads', 'su', '', FailReads),
        ('Events', '', 'as', Events),
    ])
