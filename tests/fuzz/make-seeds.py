# Small archives as the seed corpus of the directory fuzzer: one file each,
# made by Python's zipfile and by hand for the odd cases.
import io, os, struct, sys, zipfile

out = sys.argv[1]
# "sfx": each archive behind a self-extractor's settings header, as the
# stub fuzzer takes its input.
sfx = sys.argv[2:] == ['sfx']
os.makedirs(out, exist_ok=True)

def header(flags, *texts):
    body = b''.join(bytes([len(t)]) + t for t in texts)
    length = (8 + len(body) + 3) // 4 * 4
    return (b'MPV' + bytes([flags, 0, 1]) + struct.pack('<H', length) + body).ljust(length, b'\0')

def save(name, data):
    if sfx:
        data = header(0x20 if len(name) % 2 else 0x02, b'Titel', b'ZIEL', b'', b'') + data
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)

def archive(entries, comment=b'', method=zipfile.ZIP_STORED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w') as z:
        for name, data, extra in entries:
            zi = zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6))
            zi.compress_type = method
            zi.extra = extra
            z.writestr(zi, data)
        z.comment = comment
    return buf.getvalue()

plain = archive([('A.TXT', b'hello', b''), ('DIR/', b'', b''), ('DIR/B.TXT', b'b' * 40, b'')])
save('plain.zip', plain)
save('deflated.zip', archive([('TEXT.TXT', b'zeile\n' * 50, b'')], method=zipfile.ZIP_DEFLATED))
save('comment.zip', archive([('A', b'a', b'')], b'archive comment'))
save('extra.zip', archive([('X.BIN', b'x', b'\x55\x54\x05\x00\x01\x02\x03\x04\x05')]))
save('utf8.zip', archive([('gr\u00fcn.txt', b'u', b'')]))
save('empty.zip', archive([]))
save('stub.zip', b'MZ' + b'\0' * 200 + plain)
save('padded.zip', plain + b'\0' * (512 - len(plain) % 512))
save('trailing.zip', plain + b'JUNK')
# The first part of a spanned set, and an end record naming other disks.
save('span.zip', b'PK\x07\x08' + plain)
end = plain.rfind(b'PK\x05\x06')
save('disks.zip', plain[:end + 4] + struct.pack('<HH', 1, 0) + plain[end + 8:])
save('short.zip', b'PK\x05\x06' + b'\0' * 10)
# Zip64 end records in front of the classic one, whose fields point at them.
dir_size, dir_offset = struct.unpack('<II', plain[end + 12:end + 20])
record = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 3, 3, dir_size, dir_offset)
locator = struct.pack('<IIQI', 0x07064b50, 0, end, 1)
classic = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
save('zip64.zip', plain[:end] + record + locator + classic)
# A central entry whose sizes and offset are in its zip64 field.
central = plain.find(b'PK\x01\x02')
name_len = struct.unpack('<H', plain[central + 28:central + 30])[0]
field = struct.pack('<HHQQQ', 1, 24, 5, 5, 0)
head = bytearray(plain[central:central + 46])
head[20:28] = b'\xff' * 8
head[42:46] = b'\xff' * 4
head[30:32] = struct.pack('<H', len(field))
entry = bytes(head) + plain[central + 46:central + 46 + name_len] + field
rest = plain[central + 46 + name_len:end]
body = plain[:central] + entry + rest
save('zip64field.zip', body + struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 3, 3, len(body) - central, central, 0))
