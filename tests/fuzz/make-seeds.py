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
