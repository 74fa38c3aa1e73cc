; VOLSCAN.COM: Ghost's disk:partition numbers of volumes named by their
; serials, found on the disks just before Ghost runs.
;
;   volscan FILE NAME=VOLUME [NAME=VOLUME ...]        (up to 8 NAMEs)
;
; VOLUME is a volume serial as Windows shows it (8C3A-12F0 or 8C3A12F0, hex
; digits in either case) or a DOS drive (D:), whose serial DOS gives (INT
; 21h AX=440Dh CX=4866h, the media ID in the form that knows FAT32, else
; AX=6900h). NAME is letters, digits and "_". FILE is created (emptied)
; first. When every NAME gets a number, FILE holds one line "set NAME=D:P"
; per NAME (CR LF), D being Ghost's disk (BIOS disks counted from 1 in the
; BIOS's order) and P Ghost's partition, and the errorlevel is 0. Otherwise
; FILE holds only "set NAME=" lines, which clear the NAMEs, one line on
; standard output says which volume has no number and why, and the
; errorlevel says why (the first NAME that fails decides):
;   1  no partition has the volume's serial
;   2  two partitions have it (a cloned disk)
;   3  a disk could not be read: the volume may be on it
;   4  a disk's partition table is broken, or its chain of logical drives
;      loops or has more than 64 links: the volume may be on it
;   5  the volume is on a GPT disk, or a disk is dynamic (its volumes are
;      not in its partition table): Ghost cannot number them
;   6  the orders Ghost may number the partitions of the volume's disk by
;      give its partition different numbers
;   7  the drive has no serial to read: no such drive, a drive DOS sees
;      only through a redirector (the NTFS driver), a drive whose serial DOS
;      does not give, or serial 0
;   8  FILE cannot be written
;   9  the command line is wrong (FILE then is emptied when it is a name)
;  10  an empty entry of the partition table stands before the volume's
;      partition (or before the extended partition that holds it)
;  11  a partition before the volume's, in one of those orders, holds no
;      file system DOS knows (FAT12/16/32 or NTFS)
;  12  a disk's sectors are not 512 bytes: the volume may be on it
;
; Never a guess: a number is given only when the scan saw every disk
; whole. A disk that cannot be read, whose table is broken, or that is
; dynamic leaves every volume without a number (3, 4, 5), even one found
; once on another disk: a copy of it could be on that disk. Two partitions
; with the volume's serial (2) are reported before that, each by its disk
; and its place in the disk's table. A GPT disk is read
; (its header and partition entries), so a volume found elsewhere still
; gets its number; one found on it gets none (5).
;
; How the scan reads the disks: INT 13h AH=08h (DL=80h) gives the number of
; hard disks; for each, AH=41h tells whether the extended read AH=42h
; exists, else sectors are read by cylinder, head and sector (AH=02h) with
; the geometry AH=08h gives (a sector beyond it cannot be read). Every read
; is tried three times. Sector 0 without 55 AA holds no partition table: the
; disk has no partitions. Then the MBR's four entries, the chain of extended
; boot records (entry 1 the logical drive, from its record; entry 2 the next
; record, from the extended partition's start), and each partition's boot
; sector: the serial of NTFS at 48h (its low 32 bits), of FAT32 at 43h
; (after 29h or 28h at 42h), of FAT12/16 at 27h (after 29h or 28h at 26h);
; other boot sectors give none. A table is broken when an MBR entry's boot flag is
; neither 0 nor 80h, the MBR has two extended partitions, an entry's start
; is 0 (over its own table, or a link back to the first record), an
; extended boot record lacks 55 AA, its entry 1 is an extended type or its
; entry 2 is not one, a start passes 2^32, the chain has more than 64
; records, or the disks hold more partitions than the program keeps (512);
; a GPT is broken when sector 1 does not start with "EFI PART", it has more
; than 256 entries, or its entries are not 128, 256 or 512 bytes.
;
; Ghost's number of a partition is its place among the partitions of its
; disk that count (empty entries, entries of no length and extended
; containers 05h, 0Fh, 85h do not), primary ones by table entry and then
; logical drives in the order of their chain. It is given only where every
; order Ghost may number them by agrees (10, 6, 11 otherwise): no empty
; entry stands before the partition's entry (or the extended partition's,
; for a logical drive); the place is the same by where the partitions
; start, by table entry with the logical drives at the extended partition's
; entry, and with the primary ones by where they start; and no partition
; before it in any of these orders lacks a file system DOS knows (a boot
; sector of NTFS, or of FAT with its extended boot signature 28h or 29h;
; BitLocker's "-FVE-FS-" is none), which Ghost may leave out of its count.
; The sector size comes from AH=48h where the BIOS has extended reads; a
; disk whose sectors are not 512 bytes is not read (12).
;
; A critical error (a drive that is not ready) fails the call that met it
; instead of asking Abort, Retry, Fail; where DOS allows no failure it is
; ignored, and then no number is given (8). Needs a 386 (32-bit registers).

        bits    16
        cpu     386
        org     0x100

MAX_NAMES       equ     8
MAX_WORDS       equ     MAX_NAMES + 1   ; FILE and the NAMEs
MAX_PARTS       equ     512             ; on all disks together
MAX_LINKS       equ     64              ; extended boot records in one chain
MAX_GPT_ENTRIES equ     256
LFN_MISSING     equ     0x7100          ; AX after a long-name call DOS lacks

; The errorlevels.
FOUND           equ     0
NOWHERE         equ     1
TWICE           equ     2
UNREADABLE      equ     3
BROKEN          equ     4
NOT_NUMBERED    equ     5               ; GPT or dynamic
ORDERS_DIFFER   equ     6
NO_SERIAL       equ     7
NOT_WRITTEN     equ     8
USAGE           equ     9
EMPTY_BEFORE    equ     10
FOREIGN_BEFORE  equ     11
SECTOR_SIZE     equ     12

; A partition found: 16 bytes.
P_SERIAL        equ     0               ; dword, 0: none
P_START         equ     4               ; qword, LBA
P_DISK          equ     12              ; byte, 0 = the first BIOS disk
P_INDEX         equ     13              ; byte, place in the table's order (GPT: the entries'), from 1
P_SLOT          equ     14              ; byte, the table entry: its own, or the extended partition's
P_FLAGS         equ     15              ; byte, F_...
P_SIZE          equ     16
F_LOGICAL       equ     1               ; a logical drive
F_KNOWN         equ     2               ; its boot sector is a file system DOS knows
F_GPT           equ     4               ; on a GPT disk
F_GAP           equ     8               ; an empty entry stands before P_SLOT

; A NAME of the command line: 12 bytes.
N_WORD          equ     0               ; word, its NAME=VOLUME text
N_LENGTH        equ     2               ; word, NAME's length
N_SERIAL        equ     4               ; dword
N_DRIVE         equ     8               ; byte, the drive's letter, 0 for a serial
N_DISK          equ     9               ; byte, the number found: disk (from 1) ...
N_PART          equ     10              ; ... and partition
N_SIZE          equ     12

start:  cld
        mov     di, bss_start           ; DOS does not clear it
        mov     cx, bss_end - bss_start
        xor     al, al
        rep     stosb
        mov     dx, critical_error
        mov     ax, 0x2524              ; DOS puts the old handler back at exit
        int     0x21
        ; The sector buffer must not cross a 64 KB boundary (a BIOS that
        ; reads by DMA refuses that): the second half of the area is used
        ; when the first half crosses one.
        mov     ax, ds
        shl     ax, 4
        add     ax, sector_area
        add     ax, 512
        mov     bx, sector_area
        jnc     .aligned                ; carry: the first half crosses
        jz      .aligned                ; it ends exactly at the boundary
        add     bx, 512
.aligned:
        mov     [buffer_at], bx
        call    split_words
        cmp     word [word_count], 0
        je      usage
        mov     si, [words]             ; FILE, never a NAME=VOLUME
.is_file:
        lodsb
        cmp     al, '='
        je      usage
        test    al, al
        jnz     .is_file
        call    create_file
        jc      not_written
        call    read_names
        jc      usage
        call    scan_disks

        ; Each NAME's serial, then its partition.
        mov     bx, names
        mov     cx, [name_count]
.name:  push    cx
        call    serial_of
        jc      refuse
        call    locate
        test    al, al
        jnz     refuse
        pop     cx
        add     bx, N_SIZE
        loop    .name

        mov     byte [with_numbers], 1
        call    set_lines
        jc      not_written
        call    close_file
        jc      not_written
        cmp     byte [critical_hit], 0  ; a write DOS let pass unwritten
        jne     not_written
        mov     al, FOUND
        jmp     quit

; AL = the errorlevel, the message made in `message` up to DI: it is shown,
; and FILE gets the lines that clear the NAMEs.
refuse: mov     [code], al
        call    end_message
        mov     byte [with_numbers], 0
        call    set_lines
        call    close_file
        call    show_message
        mov     al, [code]
        jmp     quit

not_written:
        mov     di, message
        mov     si, text_not_written
        call    put_text
        mov     si, [words]
        call    put_text
        mov     al, '.'
        stosb
        call    end_message
        call    show_message
        mov     al, NOT_WRITTEN
        jmp     quit

usage:  cmp     word [handle], 0
        je      .shown
        call    close_file              ; FILE stays empty
.shown: mov     di, message
        mov     si, text_usage
        call    put_text
        call    end_message
        call    show_message
        mov     al, USAGE
quit:   mov     ah, 0x4C
        int     0x21

; A critical error fails the call (or, where DOS allows no failure, is
; ignored, and the numbers are not given).
critical_error:
        mov     byte [cs:critical_hit], 1
        test    ah, 0x08                ; may fail?
        mov     al, 3
        jnz     .done
        test    ah, 0x20                ; may ignore?
        jz      .done
        mov     al, 0
.done:  iret

; ---- The command line ----------------------------------------------------------

; Splits the command tail at blanks into zero-ended words.
split_words:
        mov     bl, [0x80]
        xor     bh, bh
        cmp     bl, 126
        jbe     .ended
        mov     bl, 126
.ended: mov     byte [0x81 + bx], 0
        mov     si, 0x81
        xor     bx, bx
.skip:  lodsb
        test    al, al
        jz      .done
        cmp     al, ' '
        je      .skip
        cmp     al, 9
        je      .skip
        cmp     al, 13
        je      .done
        cmp     bx, MAX_WORDS * 2
        je      .too_many
        lea     dx, [si - 1]
        mov     [words + bx], dx
        add     bx, 2
.word:  lodsb
        test    al, al
        jz      .done
        cmp     al, 13
        je      .end
        cmp     al, ' '
        je      .end
        cmp     al, 9
        jne     .word
.end:   mov     byte [si - 1], 0
        cmp     al, 13
        je      .done
        jmp     .skip
.done:  shr     bx, 1
        mov     [word_count], bx
        ret
.too_many:
        mov     word [word_count], 0    ; more words than NAMEs allowed: usage
        ret

; Reads the NAME=VOLUME words into `names`. CF set when one is wrong or
; there is none.
read_names:
        mov     cx, [word_count]
        dec     cx
        stc
        jz      .done
        mov     [name_count], cx
        mov     bx, names
        mov     bp, words + 2
.each:  mov     si, [bp]
        mov     [bx + N_WORD], si
        mov     byte [bx + N_DRIVE], 0
        xor     dx, dx                  ; NAME's length
.name:  lodsb
        cmp     al, '='
        je      .named
        call    is_name_char
        jc      .done
        inc     dx
        jmp     .name
.named: test    dx, dx
        stc
        jz      .done
        mov     [bx + N_LENGTH], dx
        ; A drive: a letter and a colon.
        mov     al, [si]
        and     al, 0xDF
        cmp     al, 'A'
        jb      .serial
        cmp     al, 'Z'
        ja      .serial
        cmp     word [si + 1], ':'      ; the colon and the word's end
        jne     .serial
        mov     [bx + N_DRIVE], al
        mov     dword [bx + N_SERIAL], 0
        jmp     .next
        ; A serial: 8 hex digits, a "-" allowed after the fourth.
.serial:
        xor     edx, edx
        mov     ah, 0                   ; digits read
.digit: lodsb
        test    al, al
        jz      .digits
        cmp     al, '-'
        jne     .hex
        cmp     ah, 4
        jne     .wrong
        cmp     byte [si - 2], '-'      ; one only
        je      .wrong
        jmp     .digit
.hex:   call    hex_value
        jc      .done
        shl     edx, 4
        or      dl, al
        inc     ah
        cmp     ah, 8
        ja      .wrong
        jmp     .digit
.digits:
        cmp     ah, 8
        jne     .wrong
        mov     [bx + N_SERIAL], edx
.next:  add     bx, N_SIZE
        add     bp, 2
        loop    .each
        clc
.done:  ret
.wrong: stc
        ret

; CF clear when AL may be part of a NAME.
is_name_char:
        cmp     al, '_'
        je      .yes
        cmp     al, '0'
        jb      .no
        cmp     al, '9'
        jbe     .yes
        push    ax
        and     al, 0xDF
        cmp     al, 'A'
        jb      .no_pop
        cmp     al, 'Z'
        ja      .no_pop
        pop     ax
.yes:   clc
        ret
.no_pop:
        pop     ax
.no:    stc
        ret

; AL, a hex digit, to its value; CF set when it is none.
hex_value:
        cmp     al, '0'
        jb      .no
        cmp     al, '9'
        jbe     .digit
        and     al, 0xDF
        cmp     al, 'A'
        jb      .no
        cmp     al, 'F'
        ja      .no
        sub     al, 'A' - 10
        clc
        ret
.digit: sub     al, '0'
        clc
        ret
.no:    stc
        ret

; ---- FILE ------------------------------------------------------------------------

; Creates FILE (named by the first word) empty, or empties it. CF on failure.
create_file:
        mov     si, [words]
        mov     ax, 0x716C              ; create or truncate, write only
        mov     bx, 0x0001
        xor     cx, cx
        mov     dx, 0x0012
        stc
        int     0x21
        jnc     .created
        cmp     ax, LFN_MISSING
        jne     .failed
        mov     dx, si
        xor     cx, cx
        mov     ah, 0x3C
        int     0x21
        jc      .failed
.created:
        mov     [handle], ax
        clc
        ret
.failed:
        stc
        ret

; Writes one line per NAME into FILE: "set NAME=D:P" when `with_numbers`,
; else "set NAME=". CF on failure.
set_lines:
        mov     di, lines
        mov     bx, names
        mov     cx, [name_count]
        jcxz    .write
.line:  push    cx
        mov     si, text_set
        call    put_text
        mov     si, [bx + N_WORD]
        mov     cx, [bx + N_LENGTH]
        inc     cx                      ; with the "="
        rep     movsb
        cmp     byte [with_numbers], 0
        je      .ended
        movzx   ax, byte [bx + N_DISK]
        call    put_number
        mov     al, ':'
        stosb
        movzx   ax, byte [bx + N_PART]
        call    put_number
.ended: mov     ax, 0x0A0D
        stosw
        pop     cx
        add     bx, N_SIZE
        loop    .line
.write: mov     cx, di
        sub     cx, lines
        mov     dx, lines
        mov     bx, [handle]
        mov     ah, 0x40
        int     0x21
        jc      .done
        cmp     ax, cx
        jne     .short
        clc
.done:  ret
.short: stc
        ret

; CF on failure.
close_file:
        mov     bx, [handle]
        mov     word [handle], 0
        mov     ah, 0x3E
        int     0x21
        ret

; ---- Serials of the NAMEs --------------------------------------------------------

; EAX = the serial of the NAME at BX; CF set, AL the errorlevel and the
; message made, when it has none.
serial_of:
        mov     eax, [bx + N_SERIAL]
        mov     dl, [bx + N_DRIVE]
        test    dl, dl
        jz      .have
        sub     dl, 'A' - 1
        mov     [drive_number], dl
        push    bx
        movzx   bx, dl
        mov     ax, 0x4409              ; is the drive remote?
        int     0x21
        pop     bx
        mov     si, text_no_drive
        jc      .none
        test    dh, 0x10                ; bit 12: served by a redirector
        mov     si, text_redirector
        jnz     .none
        ; The media ID through the generic IOCTL in the form that knows
        ; FAT32 (MS-DOS 7.1), else in the plain form (AX=6900h).
        push    bx
        mov     word [media_info], 0    ; the info level
        movzx   bx, byte [drive_number]
        mov     cx, 0x4866
        mov     dx, media_info
        mov     ax, 0x440D
        int     0x21
        jnc     .media_id
        mov     word [media_info], 0
        movzx   bx, byte [drive_number] ; BH 0: the info level
        mov     dx, media_info
        mov     ax, 0x6900
        int     0x21
.media_id:
        pop     bx
        mov     si, text_dos_no_serial
        jc      .none
        mov     eax, [media_info + 2]
        mov     [bx + N_SERIAL], eax
.have:  test    eax, eax
        mov     si, text_serial_zero
        jz      .none
        clc
        ret
.none:  push    si
        call    start_message
        pop     si
        call    put_text
        mov     al, NO_SERIAL
        stc
        ret

; The message's beginning: NAME=VOLUME as given, with the serial DOS gave
; for a drive: "[image=D: serial 8C3A-12F0] ".
start_message:
        mov     di, message
        mov     al, '['
        stosb
        mov     si, [bx + N_WORD]
        call    put_text
        cmp     byte [bx + N_DRIVE], 0
        je      .done
        cmp     dword [bx + N_SERIAL], 0
        je      .done
        mov     si, text_serial
        call    put_text
        mov     eax, [bx + N_SERIAL]
        call    put_serial
.done:  mov     ax, '] '
        stosw
        ret

; ---- Where a serial is -------------------------------------------------------------

; Looks for the partition of serial EAX of the NAME at BX. AL = 0, the
; number stored in the NAME, when there is exactly one and its number is
; certain; else AL = the errorlevel and the message made.
locate: xor     cx, cx                  ; partitions with the serial
        mov     si, parts
        mov     dx, [part_count]
.each:  test    dx, dx
        jz      .counted
        cmp     [si + P_SERIAL], eax
        jne     .next
        inc     cx
        cmp     cx, 1
        jne     .more
        mov     [found], si
        jmp     .next
.more:  cmp     cx, 2
        jne     .next
        mov     [second], si
.next:  add     si, P_SIZE
        dec     dx
        jmp     .each
.counted:
        cmp     cx, 2
        jae     .twice
        cmp     byte [unknown_disk], 0
        jne     .unknown
        test    cx, cx
        jz      .nowhere
        mov     si, [found]
        test    byte [si + P_FLAGS], F_GPT
        jnz     .on_gpt
        test    byte [si + P_FLAGS], F_GAP
        jnz     .gap
        call    places
        mov     al, [si + P_INDEX]
        mov     ah, [place2]
        cmp     ah, al
        jne     .orders
        mov     ah, [place3]
        cmp     ah, al
        jne     .orders
        mov     ah, [place4]
        cmp     ah, al
        jne     .orders
        cmp     byte [foreign], 0
        jne     .foreign
        mov     al, [si + P_DISK]
        inc     al
        mov     [bx + N_DISK], al
        mov     al, [si + P_INDEX]
        mov     [bx + N_PART], al
        mov     al, FOUND
        ret

.twice: call    start_message
        mov     si, text_twice
        call    put_text
        mov     si, [found]
        call    put_place_of
        mov     si, text_twice_and
        call    put_text
        mov     si, [second]
        call    put_place_of
        mov     si, text_twice_end
        call    put_text
        mov     al, TWICE
        ret
.unknown:
        call    start_message
        mov     si, [unknown_why]
        call    put_text
        movzx   ax, byte [unknown_disk]
        call    put_number
        mov     si, [unknown_why_end]
        call    put_text
        cmp     byte [unknown_code], UNREADABLE
        jne     .unknown_said
        mov     eax, [unknown_sector]
        call    put_number32
        mov     si, text_unreadable_tail
        call    put_text
.unknown_said:
        mov     al, [unknown_code]
        ret
.nowhere:
        call    start_message
        mov     si, text_nowhere
        call    put_text
        mov     al, NOWHERE
        ret
.on_gpt:
        call    start_message
        mov     si, text_gpt
        call    put_text
        mov     si, [found]
        call    put_disk_of
        mov     si, text_gpt_end
        call    put_text
        mov     al, NOT_NUMBERED
        ret
.gap:   mov     al, EMPTY_BEFORE
        mov     dx, text_gap
        jmp     .on_disk
.foreign:
        mov     al, FOREIGN_BEFORE
        mov     dx, text_foreign
        jmp     .on_disk
.orders:
        mov     [place], ah
        mov     al, ORDERS_DIFFER
        mov     dx, text_orders_table
; "On hard disk N" and the text at DX, with the numbers each needs; AL the errorlevel.
.on_disk:
        mov     [code], al
        push    dx
        call    start_message
        mov     si, text_on
        call    put_text
        mov     si, [found]
        call    put_disk_of
        pop     si
        call    put_text
        cmp     byte [code], FOREIGN_BEFORE
        jne     .not_foreign
        movzx   ax, byte [foreign]
        call    put_number
        mov     si, text_foreign_end
        call    put_text
.not_foreign:
        cmp     byte [code], ORDERS_DIFFER
        jne     .said
        mov     si, [found]
        movzx   ax, byte [si + P_INDEX]
        call    put_number
        mov     si, text_orders_other
        call    put_text
        movzx   ax, byte [place]
        call    put_number
        mov     si, text_orders_end
        call    put_text
.said:  mov     al, [code]
        ret

; The places of the partition at SI in the other orders Ghost may number
; its disk's partitions by: by where they start (place2), by table entry
; with the logical drives at the extended partition's entry (place3), and
; the primary ones by where they start, then the logical drives (place4);
; and in `foreign` the table place of the first partition before it in any
; order (the table's too) whose file system DOS does not know, 0 for none.
; Keeps SI and BX.
places: mov     byte [place2], 1
        mov     byte [place3], 1
        mov     byte [place4], 1
        mov     byte [foreign], 0
        mov     di, parts
        mov     cx, [part_count]
.each:  cmp     di, si
        je      .next
        mov     al, [di + P_DISK]
        cmp     al, [si + P_DISK]
        jne     .next
        xor     dx, dx                  ; DL 1: before it in some order
        mov     al, [di + P_INDEX]
        cmp     al, [si + P_INDEX]
        adc     dl, 0
        mov     eax, [di + P_START]     ; MBR disks: 32-bit starts
        cmp     eax, [si + P_START]
        jb      .before2
        ja      .order3
        mov     al, [di + P_INDEX]
        cmp     al, [si + P_INDEX]
        jae     .order3
.before2:
        inc     byte [place2]
        mov     dl, 1
.order3:
        mov     al, [di + P_SLOT]
        cmp     al, [si + P_SLOT]
        jb      .before3
        ja      .order4
        mov     al, [di + P_INDEX]
        cmp     al, [si + P_INDEX]
        jae     .order4
.before3:
        inc     byte [place3]
        mov     dl, 1
.order4:
        mov     al, [di + P_FLAGS]
        and     al, F_LOGICAL
        mov     ah, [si + P_FLAGS]
        and     ah, F_LOGICAL
        cmp     al, ah
        jb      .before4                ; a primary one before a logical drive
        ja      .ordered
        test    al, al
        jnz     .by_index               ; two logical drives
        mov     eax, [di + P_START]
        cmp     eax, [si + P_START]
        jb      .before4
        ja      .ordered
.by_index:
        mov     al, [di + P_INDEX]
        cmp     al, [si + P_INDEX]
        jae     .ordered
.before4:
        inc     byte [place4]
        mov     dl, 1
.ordered:
        test    dl, dl
        jz      .next
        test    byte [di + P_FLAGS], F_KNOWN
        jnz     .next
        cmp     byte [foreign], 0
        jne     .next
        mov     al, [di + P_INDEX]
        mov     [foreign], al
.next:  add     di, P_SIZE
        dec     cx
        jnz     .each
        ret

; "hard disk N" of the partition at SI.
put_disk_of:
        push    si
        mov     si, text_hard_disk
        call    put_text
        pop     si
        movzx   ax, byte [si + P_DISK]
        inc     ax
        jmp     put_number

; "partition P of hard disk N" of the partition at SI (its place in the table).
put_place_of:
        push    si
        mov     si, text_partition
        call    put_text
        pop     si
        movzx   ax, byte [si + P_INDEX]
        call    put_number
        push    si
        mov     si, text_of
        call    put_text
        pop     si
        jmp     put_disk_of

; ---- The disks -------------------------------------------------------------------

; Reads every BIOS hard disk's partitions and their serials into `parts`.
scan_disks:
        mov     ah, 0x08
        mov     dl, 0x80
        push    es
        int     0x13
        pop     es
        jc      .done
        cmp     dl, 0x80                ; disks 80h-FFh at most
        jbe     .count
        mov     dl, 0x80
.count: mov     [disk_count], dl
.each:  mov     al, [disk]
        cmp     al, [disk_count]
        jae     .done
        call    scan_disk
        inc     byte [disk]
        jmp     .each
.done:  ret

; Reads the partitions of disk [disk]. A disk that cannot be read, whose
; table is broken, that is dynamic or whose sectors are not 512 bytes keeps
; no partitions, and the first such disk is noted in `unknown_disk`.
scan_disk:
        mov     [scan_sp], sp
        mov     ax, [part_count]
        mov     [disk_first], ax
        mov     byte [next_index], 0
        mov     byte [have_extended], 0
        mov     byte [gap_seen], 0
        mov     dword [packet + 8], 0
        mov     al, [disk]
        add     al, 0x80
        mov     [drive], al
        ; Extended reads, or the geometry for reads by cylinder, head, sector.
        mov     byte [use_lba], 0
        mov     ah, 0x41
        mov     bx, 0x55AA
        mov     dl, [drive]
        int     0x13
        jc      .chs
        cmp     bx, 0xAA55
        jne     .chs
        test    cl, 1
        jz      .chs
        mov     byte [use_lba], 1
        ; The sector size (a BIOS that does not say: 512). A sector of
        ; another size would not fit the buffer, nor is it what Ghost reads.
        mov     word [params], 0x1A
        mov     word [params + 2], 0    ; flags 0 on entry (some Phoenix BIOSes fail otherwise)
        mov     word [params + 0x18], 0
        mov     ah, 0x48
        mov     dl, [drive]
        mov     si, params
        int     0x13
        jc      .mbr
        mov     ax, [params + 0x18]
        test    ax, ax
        jz      .mbr
        cmp     ax, 512
        jne     .sector_size
        jmp     .mbr
.chs:   mov     ah, 0x08
        mov     dl, [drive]
        push    es
        int     0x13
        pop     es
        jc      .unreadable
        mov     al, cl
        and     ax, 0x3F
        jz      .unreadable
        mov     [sectors], ax
        movzx   ax, dh
        inc     ax
        mov     [heads], ax
        movzx   ax, cl
        shl     ax, 2
        mov     al, ch
        inc     ax
        mov     [cylinders], ax

.mbr:   xor     eax, eax
        xor     edx, edx
        call    read_sector
        jc      .unreadable
        mov     si, [buffer_at]
        cmp     word [si + 510], 0xAA55
        jne     .done                   ; no partition table: no partitions
        add     si, 446
        mov     di, table               ; the buffer is read into again
        mov     cx, 32
        rep     movsw
        mov     bx, table
        mov     cx, 4
.kind:  cmp     byte [bx + 4], 0xEE     ; GPT's protective partition
        je      .gpt
        cmp     byte [bx + 4], 0x42     ; a dynamic disk
        je      .dynamic
        test    byte [bx], 0x7F         ; boot flag 0 or 80h
        jnz     .broken
        add     bx, 16
        loop    .kind

        mov     bx, table
        mov     cx, 4
.entry: mov     al, [bx + 4]
        test    al, al
        jz      .empty_entry
        cmp     dword [bx + 12], 0
        je      .empty_entry
        mov     eax, [bx + 8]
        test    eax, eax
        jz      .broken                 ; over the MBR itself
        mov     dl, 4
        sub     dl, cl                  ; the entry, from 0
        mov     [new_slot], dl
        mov     dl, [gap_seen]
        mov     [new_flags], dl
        mov     dl, [bx + 4]
        call    is_container
        jne     .primary
        cmp     byte [have_extended], 0
        jne     .broken                 ; a second extended partition
        mov     byte [have_extended], 1
        mov     [extended], eax
        mov     dx, [new_slot]          ; its entry and the gap before it,
        mov     [extended_slot], dx     ; for its logical drives
        jmp     .next_entry
.empty_entry:
        mov     byte [gap_seen], F_GAP
        jmp     .next_entry
.primary:
        xor     edx, edx
        call    add_partition
        jc      .broken
.next_entry:
        add     bx, 16
        loop    .entry

        cmp     byte [have_extended], 0
        je      .boot_sectors
        mov     eax, [extended]
        mov     [ebr], eax
        mov     byte [links], 0
.link:  inc     byte [links]
        cmp     byte [links], MAX_LINKS
        ja      .broken                 ; loops, or too long
        mov     eax, [ebr]
        xor     edx, edx
        call    read_sector
        jc      .unreadable
        mov     si, [buffer_at]
        cmp     word [si + 510], 0xAA55
        jne     .broken
        add     si, 446
        ; Entry 1: the logical drive, from this record.
        mov     dl, [si + 4]
        test    dl, dl
        jz      .link_on
        cmp     dword [si + 12], 0
        je      .link_on
        call    is_container
        je      .broken
        mov     eax, [si + 8]
        test    eax, eax
        jz      .broken                 ; over its own record
        add     eax, [ebr]
        jc      .broken
        mov     dx, [extended_slot]
        or      dh, F_LOGICAL
        mov     [new_slot], dx
        xor     edx, edx
        call    add_partition
        jc      .broken
        ; Entry 2: the next record, from the extended partition's start.
.link_on:
        mov     dl, [si + 16 + 4]
        test    dl, dl
        jz      .boot_sectors           ; the chain ends
        call    is_container
        jne     .broken
        mov     eax, [si + 16 + 8]
        test    eax, eax
        jz      .broken                 ; back to the first record
        add     eax, [extended]
        jc      .broken
        mov     [ebr], eax
        jmp     .link

        ; GPT: the header in sector 1, then the partition entries.
.gpt:
        mov     word [new_slot], F_GPT << 8
        mov     eax, 1
        xor     edx, edx
        call    read_sector
        jc      .unreadable
        mov     si, [buffer_at]
        cmp     dword [si], 'EFI '
        jne     .broken
        cmp     dword [si + 4], 'PART'
        jne     .broken
        mov     eax, [si + 0x48]
        mov     [gpt_sector], eax
        mov     eax, [si + 0x4C]
        mov     [gpt_sector + 4], eax
        cmp     dword [si + 0x50], MAX_GPT_ENTRIES
        ja      .broken
        mov     ax, [si + 0x50]
        mov     [gpt_left], ax
        mov     eax, [si + 0x54]        ; entry size: 128, 256 or 512
        cmp     eax, 128
        je      .entry_size
        cmp     eax, 256
        je      .entry_size
        cmp     eax, 512
        jne     .broken
.entry_size:
        mov     [gpt_size], ax
        mov     word [gpt_offset], 512
.gpt_entry:
        cmp     word [gpt_left], 0
        je      .boot_sectors
        dec     word [gpt_left]
        cmp     word [gpt_offset], 512
        jb      .in_sector
        mov     eax, [gpt_sector]
        mov     edx, [gpt_sector + 4]
        call    read_sector
        jc      .unreadable
        add     dword [gpt_sector], 1
        adc     dword [gpt_sector + 4], 0
        mov     word [gpt_offset], 0
.in_sector:
        mov     si, [buffer_at]
        add     si, [gpt_offset]
        mov     ax, [gpt_size]
        add     [gpt_offset], ax
        mov     eax, [si]               ; type GUID zero: an unused entry
        or      eax, [si + 4]
        or      eax, [si + 8]
        or      eax, [si + 12]
        jz      .gpt_entry
        mov     eax, [si + 0x20]
        mov     edx, [si + 0x24]
        call    add_partition
        jc      .broken
        jmp     .gpt_entry

        ; Each partition's boot sector and its serial.
.boot_sectors:
        mov     bx, [disk_first]
.boot_sector:
        cmp     bx, [part_count]
        jae     .done
        mov     di, bx
        shl     di, 4
        add     di, parts
        mov     eax, [di + P_START]
        mov     edx, [di + P_START + 4]
        call    read_sector
        jc      .unreadable
        call    boot_sector_serial
        mov     [di + P_SERIAL], eax
        jc      .foreign
        or      byte [di + P_FLAGS], F_KNOWN
.foreign:
        inc     bx
        jmp     .boot_sector

.unreadable:
        mov     eax, [packet + 8]       ; the sector that failed
        mov     [failed_sector], eax
        mov     al, UNREADABLE
        mov     si, text_unreadable
        mov     di, text_unreadable_end
        jmp     .unknown
.sector_size:
        mov     al, SECTOR_SIZE
        mov     si, text_sector_size
        mov     di, text_sector_size_end
        jmp     .unknown
.broken:
        mov     al, BROKEN
        mov     si, text_broken
        mov     di, text_broken_end
        jmp     .unknown
.dynamic:
        mov     al, NOT_NUMBERED
        mov     si, text_dynamic
        mov     di, text_dynamic_end
.unknown:
        mov     sp, [scan_sp]
        mov     dx, [disk_first]        ; none of its partitions is known
        mov     [part_count], dx
        cmp     byte [unknown_disk], 0
        jne     .done
        mov     [unknown_code], al
        mov     eax, [failed_sector]
        mov     [unknown_sector], eax
        mov     [unknown_why], si
        mov     [unknown_why_end], di
        mov     al, [disk]
        inc     al
        mov     [unknown_disk], al
.done:  ret

; ZF set when DL is the type of an extended partition.
is_container:
        cmp     dl, 0x05
        je      .done
        cmp     dl, 0x0F
        je      .done
        cmp     dl, 0x85
.done:  ret

; Adds a partition of the disk being read, starting at sector EDX:EAX, with
; the entry and flags in `new_slot` and `new_flags`. CF set when there is no
; room. Keeps the registers.
add_partition:
        push    di
        mov     di, [part_count]
        cmp     di, MAX_PARTS
        jae     .full
        shl     di, 4
        add     di, parts
        mov     dword [di + P_SERIAL], 0
        mov     [di + P_START], eax
        mov     [di + P_START + 4], edx
        push    ax
        mov     al, [disk]
        mov     [di + P_DISK], al
        inc     byte [next_index]
        mov     al, [next_index]
        mov     [di + P_INDEX], al
        mov     ax, [new_slot]
        mov     [di + P_SLOT], ax       ; and P_FLAGS
        pop     ax
        inc     word [part_count]
        pop     di
        clc
        ret
.full:  pop     di
        stc
        ret

; EAX = the volume serial in the boot sector in the buffer (0: none); CF
; set when the boot sector is no file system DOS knows: NTFS, or FAT12/16/32
; with its extended boot signature (BitLocker's "-FVE-FS-" is none).
boot_sector_serial:
        mov     si, [buffer_at]
        xor     eax, eax
        cmp     dword [si + 3], '-FVE'
        jne     .ntfs
        cmp     dword [si + 7], '-FS-'
        je      .none
.ntfs:  cmp     dword [si + 3], 'NTFS'
        jne     .fat32
        cmp     dword [si + 7], '    '
        jne     .fat32
        mov     eax, [si + 0x48]
        clc
        ret
.fat32: cmp     word [si + 0x16], 0     ; FAT32 keeps no 16-bit FAT size
        jne     .fat
        add     si, 0x42 - 0x26
.fat:   mov     dl, [si + 0x26]         ; 29h, or 28h: the serial without
        and     dl, 0xFE                ; the label after it
        cmp     dl, 0x28
        jne     .none
        mov     eax, [si + 0x27]
        clc
        ret
.none:  stc
        ret

; Reads sector EDX:EAX of disk [drive] into the buffer, three tries. CF set
; when it cannot. Keeps the 16-bit registers.
read_sector:
        pusha
        mov     [packet + 8], eax
        mov     [packet + 12], edx
        mov     byte [tries], 3
.try:   cmp     byte [use_lba], 0
        je      .chs
        mov     word [packet], 0x0010
        mov     word [packet + 2], 1
        mov     ax, [buffer_at]
        mov     [packet + 4], ax
        mov     [packet + 6], ds
        mov     si, packet
        mov     dl, [drive]
        mov     ah, 0x42
        int     0x13
        jnc     .read
        jmp     .again
.chs:   cmp     dword [packet + 12], 0
        jne     .failed
        mov     eax, [packet + 8]
        movzx   ecx, word [sectors]
        xor     edx, edx
        div     ecx
        mov     bl, dl
        inc     bl                      ; the sector, from 1
        movzx   ecx, word [heads]
        xor     edx, edx
        div     ecx                     ; EAX cylinder, DL head
        movzx   ecx, word [cylinders]
        cmp     eax, ecx
        jae     .failed                 ; beyond what the BIOS can address
        mov     cx, ax
        xchg    ch, cl                  ; CH the cylinder's low 8 bits
        shl     cl, 6                   ; CL bits 6-7 its bits 8-9
        or      cl, bl
        mov     dh, dl
        mov     dl, [drive]
        mov     bx, [buffer_at]
        mov     ax, 0x0201
        int     0x13
        jnc     .read
.again: mov     ah, 0x00                ; reset the disk, then once more
        mov     dl, [drive]
        int     0x13
        dec     byte [tries]
        jnz     .try
.failed:
        popa
        stc
        ret
.read:  popa
        clc
        ret

; ---- Texts -------------------------------------------------------------------------

; Copies the zero-ended text at SI to DI.
put_text:
        lodsb
        test    al, al
        jz      .done
        stosb
        jmp     put_text
.done:  ret

; AX in decimal at DI.
put_number:
        movzx   eax, ax
; EAX in decimal at DI.
put_number32:
        push    ebx
        push    ecx
        push    edx
        mov     ebx, 10
        xor     cx, cx
.split: xor     edx, edx
        div     ebx
        push    dx
        inc     cx
        test    eax, eax
        jnz     .split
.digit: pop     ax
        add     al, '0'
        stosb
        loop    .digit
        pop     edx
        pop     ecx
        pop     ebx
        ret

; EAX as Windows shows a serial, "8C3A-12F0", at DI.
put_serial:
        mov     cx, 8
.digit: rol     eax, 4
        push    ax
        and     al, 0x0F
        add     al, '0'
        cmp     al, '9'
        jbe     .put
        add     al, 'A' - '9' - 1
.put:   stosb
        pop     ax
        cmp     cx, 5
        jne     .next
        mov     byte [di], '-'
        inc     di
.next:  loop    .digit
        ret

; Ends the message at DI with CR LF.
end_message:
        mov     ax, 0x0A0D
        stosw
        mov     [message_end], di
        ret

show_message:
        mov     dx, message
        mov     cx, [message_end]
        sub     cx, dx
        mov     bx, 1
        mov     ah, 0x40
        int     0x21
        ret

text_usage:     db "usage: volscan FILE NAME=VOLUME ... (VOLUME: a serial as 8C3A-12F0, or a drive as D:)", 0
text_not_written:
                db "volscan: cannot write ", 0
text_set:       db "set ", 0
text_serial:    db " serial ", 0
text_no_drive:  db "There is no such drive.", 0
text_redirector:
                db "DOS sees this drive only through a driver (such as the NTFS driver), "
                db "not by its boot sector; its serial must come from Windows.", 0
text_dos_no_serial:
                db "DOS gives no volume serial for this drive.", 0
text_serial_zero:
                db "The volume has no serial to find it by.", 0
text_nowhere:   db "No partition of the hard disks has this volume serial.", 0
text_twice:     db "Two partitions have this volume serial (", 0
text_twice_and: db " and ", 0
text_twice_end: db "), as after cloning a disk; Ghost could take the wrong one.", 0
text_hard_disk: db "hard disk ", 0
text_partition: db "partition ", 0
text_of:        db " of ", 0
text_unreadable:
                db "Hard disk ", 0
text_unreadable_end:
                db " could not be read at sector ", 0
text_unreadable_tail:
                db " (a damaged sector, or a partition that passes the disk's end), and the volume may be on it.", 0
text_broken:    db "The partition table of hard disk ", 0
text_broken_end:
                db " is broken or its chain of logical drives loops, and the volume may be on that disk.", 0
text_dynamic:   db "Hard disk ", 0
text_dynamic_end:
                db " is a dynamic disk, whose volumes DOS cannot find, and the volume may be on it.", 0
text_sector_size:
                db "Hard disk ", 0
text_sector_size_end:
                db " does not have 512-byte sectors, which DOS and Ghost need, and the volume may be on it.", 0
text_gpt:       db "The volume is on ", 0
text_gpt_end:   db ", which has a GPT partition table; Ghost cannot number its partitions.", 0
text_on:        db "On ", 0
text_gap:       db " an empty entry of the partition table stands before the volume's partition; "
                db "if Ghost counts it, its number is not certain.", 0
text_foreign:   db " partition ", 0
text_foreign_end:
                db ", before the volume's partition, holds no file system DOS knows (FAT or NTFS); "
                db "if Ghost leaves it out, the volume's number is not certain.", 0
text_orders_table:
                db " the partition table lists the volume's partition as number ", 0
text_orders_other:
                db " but another order Ghost may number by (where the partitions start, or the logical "
                db "drives at the extended partition's entry) makes it number ", 0
text_orders_end:
                db ", so Ghost's number for it is not certain.", 0

handle:         dw 0

section .bss
bss_start:
code:           resb 1
critical_hit:   resb 1
with_numbers:   resb 1
word_count:     resw 1
words:          resw MAX_WORDS
name_count:     resw 1
names:          resb MAX_NAMES * N_SIZE
drive_number:   resb 1
media_info:     resb 25                 ; the media ID: level, serial, label, type
found:          resw 1
second:         resw 1
place:          resb 1
place2:         resb 1
place3:         resb 1
place4:         resb 1
foreign:        resb 1
disk_count:     resb 1
disk:           resb 1
unknown_disk:   resb 1                  ; from 1; 0: every disk was read whole
unknown_code:   resb 1
unknown_why:    resw 1
unknown_why_end:
                resw 1
unknown_sector: resd 1                  ; UNREADABLE: the sector that failed
failed_sector:  resd 1
scan_sp:        resw 1
disk_first:     resw 1
part_count:     resw 1
next_index:     resb 1
have_extended:  resb 1
gap_seen:       resb 1                  ; F_GAP once an empty entry was met
new_slot:       resb 1                  ; add_partition's entry and flags
new_flags:      resb 1
extended_slot:  resb 2                  ; the extended partition's entry and gap
links:          resb 1
drive:          resb 1
use_lba:        resb 1
tries:          resb 1
sectors:        resw 1
heads:          resw 1
cylinders:      resw 1
extended:       resd 1
ebr:            resd 1
gpt_sector:     resd 2
gpt_left:       resw 1
gpt_size:       resw 1
gpt_offset:     resw 1
packet:         resb 16
params:         resb 0x1A               ; AH=48h's drive parameters
table:          resb 64
buffer_at:      resw 1
message_end:    resw 1
message:        resb 512
lines:          resb MAX_NAMES * 160
parts:          resb MAX_PARTS * P_SIZE
sector_area:    resb 1024
bss_end:
