"""Reads a .tgz archive with Python's own gzip and tarfile modules and prints what it holds.

Output lines (tab-separated):
  gzip_name  <name stored in the gzip header>
  tar_length <length of the decompressed tar image>
  trailing   <bytes after the last entry's data blocks>
  entry      <name> <size> <mtime> <stored checksum> <checksum as recomputed> <data as hex>
gzip.decompress verifies the stored CRC-32 and length; tarfile refuses bad header checksums.
"""
import gzip
import io
import sys
import tarfile

FNAME = 0x08


def gzip_name(data):
    if data[:3] != b"\x1f\x8b\x08" or not data[3] & FNAME:
        raise SystemExit("not a gzip file with a stored name")
    end = data.index(b"\0", 10)
    return data[10:end].decode("latin-1")


def main(path):
    data = open(path, "rb").read()
    print("gzip_name\t" + gzip_name(data))
    image = gzip.decompress(data)
    print("tar_length\t%d" % len(image))
    end_of_data = 0
    with tarfile.open(fileobj=io.BytesIO(image), mode="r:") as archive:
        for member in archive.getmembers():
            header = image[member.offset:member.offset + 512]
            recomputed = tarfile.calc_chksums(header)[0]
            content = archive.extractfile(member).read()
            end_of_data = member.offset_data + (member.size + 511) // 512 * 512
            print("entry\t%s\t%d\t%d\t%d\t%d\t%s" % (
                member.name, member.size, member.mtime, member.chksum, recomputed,
                content.hex()))
    print("trailing\t%d" % (len(image) - end_of_data))


if __name__ == "__main__":
    main(sys.argv[1])
